#pragma once

// Where the pupil is in acknowledging a wrong answer: "+" twice brings the next problem.
enum class ConfirmStep {
    Normal,           // answering
    AfterWrongAnswer, // the wrong answer is shown; any key but "+" starts the two presses over
    AfterFirstPlus,
};
