#pragma once
#include "drill/AttemptState.h"
#include <QString>

// One pupil working: who signed in when, the grade filter, the level and the attempt that runs,
// and what the last attempt left. What the level menu and its graph show lives with the menu.
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
};
