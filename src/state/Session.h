#pragma once
#include "drill/AttemptState.h"
#include <QString>

// One pupil working: who signed in when, the grade filter, the level and the attempt that runs,
// what the level menu and its graph were last asked to show, and what the last attempt left.
struct Session : AttemptState {
    qint16 CurrentPupil = 0;
    QString CurrentPupilName;
    QString CurrentGradeLabel;
    qint16 CurrentLevel = 0;
    qint32 LoginTime = 0; // whole seconds since midnight
    QString GradeFilterText;

    // The outcome of the last recorded attempt
    bool AlreadyPassed = false;
    bool NewPersonalBest = false;
    bool NewSchoolBest = false;
    qint16 FinalLevelCleared = 0;
    // What the attempt end screen says of the attempt just ended when it is not in the score file.
    QString RecordingNote;

    // What the level menu's result lists show: 1 best results, 2 today's, 3 a period's; the period
    // (1 this week … 5 ten years) and its days.
    qint16 ResultView = 0;
    qint16 ListPeriod = 0;
    qint32 ListPeriodDays = 0;
    // Whose times on which level the graph shows; the time history points it at its own pupil.
    qint16 GraphLevel = 0;
    qint16 GraphPupil = 0;
};
