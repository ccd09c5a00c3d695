#pragma once

// What judging a problem's answers found.
enum class Verdict {
    Unjudged,
    Correct,
    Wrong,
};
