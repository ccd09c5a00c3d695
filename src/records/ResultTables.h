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

    // Bookkeeping of ComputeResultTables, which clears only the cells it wrote the time before:
    // Filled lists them (each once), Stamp marks a cell as written by rebuild number Generation.
    // Only ComputeResultTables writes the tables; anyone else who changes a cell calls ClearAll
    // (or assigns a fresh ResultTables).
    std::vector<qint32> Filled;
    std::vector<qint32> PreviouslyFilled;
    std::vector<quint32> Stamp = std::vector<quint32>(std::size_t(AttemptCount.Levels) * AttemptCount.Pupils);
    quint32 Generation = 0;

    // The pupil's attempts today over every level.
    qint16 TodayTotal(int pupil) const;

    void ClearAll();
    void ClearCell(qint32 cell);
    // Starts a rebuild: the cells of the last one move to PreviouslyFilled.
    void BeginRebuild();
    // Zeroes a cell the first time this rebuild reaches it.
    void Touch(qint32 cell)
    {
        if (Stamp[std::size_t(cell)] != Generation) {
            Stamp[std::size_t(cell)] = Generation;
            ClearCell(cell);
            Filled.push_back(cell);
        }
    }
    // Ends a rebuild: zeroes the cells the last one wrote and this one did not reach.
    void EndRebuild();
};
