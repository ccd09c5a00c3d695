#pragma once
#include "drill/ConfirmStep.h"
#include "drill/Verdict.h"
#include <QtGlobal>

// The state of the attempt that runs now: what the drill, its clock and the end of the attempt
// share. Flags make a tick or a key that arrives while an attempt ends do nothing.
struct AttemptState {
    qint16 ProblemsPerAttempt = 0;
    qint32 SolvedCount = 0;
    ::Verdict Verdict = ::Verdict::Unjudged; // Wrong while a wrong answer waits for the two "+"
    bool Judging = false;
    ConfirmStep ConfirmState = ConfirmStep::Normal;
    bool AttemptFinished = false;
    bool EndingStarted = false;
    bool TimedOut = false;
    float StartTime = 0;           // clock seconds since midnight when the attempt clock started
    qint64 StartMonotonicMs = 0;   // the same moment on the monotonic clock, for elapsed time
    qint32 ElapsedSeconds = 0;
    qint32 TimeLimit = 0;
    double BarScale = 0;
    qint32 RecordedSeconds = 0;
    qint16 TodayTotal = 0;
};
