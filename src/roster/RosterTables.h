#pragma once
#include "base/Limits.h"
#include "roster/RosterEntry.h"
#include <QString>
#include <QStringList>
#include <vector>

struct RosterTables {
    static constexpr int MaxPupil = Limits::MaxPupil;

    std::vector<RosterEntry> RosterTable = std::vector<RosterEntry>(MaxPupil + 1); // positions 1…
    std::vector<qint16> ListedPupils = std::vector<qint16>(MaxPupil + 1);          // 1 … ListedCount
    int ListedCount = 0;
    std::vector<QString> PupilName = std::vector<QString>(MaxPupil + 1);
    std::vector<qint16> PupilRefYear = std::vector<qint16>(MaxPupil + 1);
    std::vector<QString> PupilGradeLabel = std::vector<QString>(MaxPupil + 1);
    int SchoolYear = 0;
    // Lines of the roster file that could not be read during the last load, for the one warning:
    // "<line>行目：<reason>", and the same lines as numbers (from 1).
    QStringList SkippedLines;
    std::vector<int> SkippedLineNumbers;
    // Listed lines beyond MaxPupil that the last load left out.
    int OverflowCount = 0;
    // Why the last load read no roster ("が見つかりません", "を読めません（…）"); empty after a read.
    QString ReadProblem;
    // The name screen reports skipped lines once per run.
    bool SkippedLinesReported = false;
};
