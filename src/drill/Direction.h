#pragma once

// Where the cursor moves among the asked cells.
enum class Direction {
    Left,
    Right,
};
