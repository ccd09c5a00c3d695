#pragma once
#include "records/LevelPupilTable.h"
#include <QtGlobal>
#include <array>
#include <vector>

// The window of the score file held in memory (the last 20000 records), with the best times.
struct LoadedScores {
    static constexpr int Window = 20000;

    // Before the first load nobody has a time yet, so that a first attempt is a new best.
    LoadedScores()
    {
        BestSeconds.Fill(Limits::NoTime);
        SchoolBestSeconds.fill(Limits::NoTime);
    }

    // Slots 1 … LoadedCount are filled; slot 0 is unused.
    std::vector<double> LoadedDate = std::vector<double>(Window + 1);
    std::vector<double> LoadedTimeOfDay = std::vector<double>(Window + 1);
    std::vector<qint16> LoadedPupil = std::vector<qint16>(Window + 1);
    std::vector<qint16> LoadedLevel = std::vector<qint16>(Window + 1);
    std::vector<qint32> LoadedSeconds = std::vector<qint32>(Window + 1);
    qint32 LoadedCount = 0;

    LevelPupilTable<qint32> BestSeconds;          // NoTime when there is none
    std::array<qint32, Limits::LevelSlots> SchoolBestSeconds{};  // over pupils 1–1000; NoTime when there is none

    // Cells of BestSeconds that hold something other than NoTime (flat index level × Pupils + pupil),
    // so that a reload resets only those instead of the whole table. Whoever lowers a best time
    // outside the loader calls NoteBest. Until the first load the table has never been filled.
    std::vector<qint32> BestTouched;
    bool BestFilled = false;

    // The bytes of the last load, kept so that their memory is not handed back and faulted in
    // again on every load.
    std::vector<char> ReadBuffer;
    // How many records of the file the last load read into ReadBuffer (from its start).
    qint64 WindowRecords = 0;
    void NoteBest(int level, int pupil) { BestTouched.push_back(level * BestSeconds.Pupils + pupil); }
};
