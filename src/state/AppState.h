#pragma once
#include "base/ResponsiveWait.h"
#include "drill/AttemptState.h"
#include "drill/LevelCatalogue.h"
#include "records/LoadedScores.h"
#include "records/PassCriteria.h"
#include "records/ResultTables.h"
#include "roster/RosterTables.h"
#include "setup/Installation.h"
#include <QColor>
#include <QString>

class Clock;
class RandomSource;
class SheetPrinter;
class SoundCues;
class SoundPlayer;

// The record the screens share: who works on which level, the attempt that runs, the folders and
// settings, the criteria, the loaded scores with their result tables and the roster. Only the
// application layer and the screens read and write it; the logic below takes what it needs as
// parameters.
struct AppState : Installation, AttemptState {
    LevelCatalogue Catalogue;

    // Current pupil and working period
    qint16 CurrentPupil = 0;
    QString CurrentPupilName;
    QString CurrentGradeLabel;
    qint16 CurrentLevel = 0;
    qint32 LoginTime = 0;          // whole seconds since midnight
    QColor SeasonColour;
    bool DevelopmentLayout = false;
    QString GradeFilterText;
    // --program-folder: the folder the program behaves as if its executable were in.
    QString ProgramFolderOverride;

    CriteriaTable Criteria;

    // Score file window, best times, result tables and the outcome of the last recorded attempt
    LoadedScores Scores;
    ResultTables Results;
    bool AlreadyPassed = false;
    bool NewPersonalBest = false;
    bool NewSchoolBest = false;
    qint16 FinalLevelCleared = 0;

    // What the level menu's result lists show: 1 best results, 2 today's, 3 a period's; the period
    // (1 this week … 5 ten years) and its days.
    qint16 ResultView = 0;
    qint16 ListPeriod = 0;
    qint32 ListPeriodDays = 0;
    // Whose times on which level the graph shows; the time history points it at its own pupil.
    qint16 GraphLevel = 0;
    qint16 GraphPupil = 0;

    RosterTables Roster;

    // What changes with time, chance or hardware, set by main() or by a test. The sound cues are
    // owned by whoever sets them (the screen flow); without them nothing sounds.
    Clock* TheClock = nullptr;
    RandomSource* Random = nullptr;
    SoundPlayer* Player = nullptr;
    SoundCues* Cues = nullptr;
    // Where the graph's result sheets go; without it nothing can be printed.
    SheetPrinter* Printer = nullptr;
    // Waits for another machine with the screens responsive (score file lock conflicts).
    WaitFunction Wait;
    // Hears how long the wait for another machine's lock has lasted (0: over), to tell the pupil.
    std::function<void(int secondsWaited)> WaitNotice;
    // Seconds after which a wait for the lock gives up; 0 waits on (the screens do).
    int LockGiveUpSeconds = 0;
    // Where the mounts of this machine are listed, for the start's look at the share; whether
    // the start takes that look.
    QString MountTablePath = QStringLiteral("/proc/self/mountinfo");
    bool CheckShareAtStart = true;
    // This account's folder on this PC for the attempts that wait for the share; empty: an attempt
    // that cannot be recorded ends the program, as the commands and most tests want.
    QString QueueFolder;
    // What the attempt end screen says of the attempt just ended when it is not in the score file.
    QString RecordingNote;
    // A damaged queue found and moved aside, not yet told.
    QString QueueProblem;
};

// The one instance. Tests reset it with ResetAppState().
AppState& App();
void ResetAppState();
