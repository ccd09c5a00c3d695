#pragma once
#include "drill/LevelCatalogue.h"
#include "records/LoadedScores.h"
#include "records/PassCriteria.h"
#include "records/ResultTables.h"
#include "roster/RosterTables.h"
#include "setup/Installation.h"
#include <QColor>
#include <QString>

// What an installation shares among everyone working on it: the folders and settings, the levels,
// the criteria, the roster, the score file's window with its result tables, and this PC's queue.
struct School : Installation {
    LevelCatalogue Catalogue;
    QColor SeasonColour;
    bool DevelopmentLayout = false;
    // --program-folder: the folder the program behaves as if its executable were in.
    QString ProgramFolderOverride;

    CriteriaTable Criteria;
    LoadedScores Scores;
    ResultTables Results;
    RosterTables Roster;

    // Where the mounts of this machine are listed, for the start's look at the share; whether
    // the start takes that look.
    QString MountTablePath = QStringLiteral("/proc/self/mountinfo");
    bool CheckShareAtStart = true;
    // This account's folder on this PC for the attempts that wait for the share; empty: an attempt
    // that cannot be recorded ends the program, as the commands and most tests want.
    QString QueueFolder;
    // A damaged queue found and moved aside, not yet told.
    QString QueueProblem;
};
