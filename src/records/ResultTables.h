#pragma once
#include "records/LevelPupilTable.h"
#include <QtGlobal>
#include <vector>

// Per level and pupil totals rebuilt from the score file by ComputeResultTables.
struct ResultTables {
    LevelPupilTable<qint16> AttemptCount;    // attempts under 6000 s
    LevelPupilTable<qint32> TotalPoints;
    LevelPupilTable<qint16> JudgeCount;      // inside the level's JudgeDays window
    LevelPupilTable<qint32> JudgePoints;
    LevelPupilTable<qint16> BanWindowCount;  // inside the level's BanDays window
    LevelPupilTable<qint32> BanWindowPoints;
    LevelPupilTable<float> TodayCount;
    LevelPupilTable<qint32> TodayPoints;

    // Cells (level × Pupils + pupil) the last rebuild wrote to, repeats allowed: the next rebuild
    // clears only these. Only ComputeResultTables writes the tables; anyone else who changes a cell
    // calls ClearAll (or assigns a fresh ResultTables).
    std::vector<qint32> Filled;
    void ClearAll();
    void ClearFilled();
};
