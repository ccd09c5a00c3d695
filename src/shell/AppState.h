#pragma once
#include "drill/SoundTable.h"
#include "records/LoadedScores.h"
#include "records/PassCriteria.h"
#include "records/ResultTables.h"
#include "roster/RosterTables.h"
#include "shell/LevelCatalogue.h"
#include <QColor>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class Clock;
class RandomSource;
class SoundPlayer;

// The single process-wide record every screen reads and writes.
struct AppState {
    // Program identity and switches
    QString ProgramTitle;
    qint16 MenuPrintAllowed = 0;
    qint16 AllLevelsOpen = 0;

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

    // Attempt state
    qint16 ProblemsPerAttempt = 0;
    qint32 SolvedCount = 0;
    qint16 Verdict = 0;            // 0 none, 1 correct, 2 wrong
    bool Judging = false;
    qint16 ConfirmState = 0;       // 0 normal, 1 after a wrong answer, 2 after the first "+"
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

    // Sound
    SoundTable Sounds;
    qint16 SoundFailures = 0;

    // Folders and common settings (each folder ends with "/")
    QString ProgramFolder;
    QString DataRoot;
    QString ProgramFolderName;
    QString DataFolder;
    QString SoundFolder;
    int SchoolYearStartMonth = 0;
    QString SchoolName;
    QString SchoolCode;
    int RosterOption = 0;

    // Pass criteria, rows 0–35 by level
    std::array<PassCriteria, 36> Criteria;

    // Score file window, best times, result tables and the outcome of the last recorded attempt
    LoadedScores Scores;
    ResultTables Results;
    bool AlreadyPassed = false;
    bool NewPersonalBest = false;
    bool NewSchoolBest = false;
    qint16 FinalLevelCleared = 0;

    // Roster
    RosterTables Roster;

    // What changes with time, chance or hardware. Set by main() or by a test.
    Clock* TheClock = nullptr;
    RandomSource* Random = nullptr;
    SoundPlayer* Player = nullptr;
    // Waits the given milliseconds while keeping the screen responsive (score file lock conflicts).
    std::function<void(int ms)> Wait;
};

// The one instance. Tests reset it with ResetAppState().
AppState& App();
void ResetAppState();
