#pragma once
#include "drill/AttemptState.h"

struct LevelCatalogue;

// The start and the end of an attempt.
class Attempt {
public:
    enum class Outcome {
        BackToMenu, // a practice level: nothing is recorded
        Nothing,    // a level that is not in use: the attempt just stops
        Record,     // recorded with RecordedSeconds
    };
    struct Ending {
        Outcome What = Outcome::Nothing;
        qint32 RecordedSeconds = 0; // the elapsed seconds, or NoTime after a time-out
    };

    // A new attempt: nothing solved, nothing being judged or confirmed, not ending.
    static void Start(AttemptState& state);
    // The drill screen's setup, each time it becomes active: not finished, not ending, no verdict.
    // Together with Start this is the whole reset; an attempt that is already ending never reaches it.
    static void Activate(AttemptState& state);
    // Ending, finished or timed out: coming back to the drill screen must not start it again.
    static bool IsEnding(const AttemptState& state);
    // Marks the attempt as ending. False when it already was: a time-out tick that arrives while
    // the last answer is processed must not end the attempt twice.
    static bool BeginEnding(AttemptState& state);
    // What the end of the attempt on `level` leads to.
    static Ending Decide(const AttemptState& state, const LevelCatalogue& catalogue, int level);
};
