#pragma once
#include "records/ScoreRecord.h"

namespace SecondsRecords {
// A pupil's level-1 record of 10 December 2026 whose seconds tell it apart: records of different
// seconds are different attempts, as they ended at different times of day.
inline ScoreRecord Record(qint16 pupil, qint32 seconds)
{
    ScoreRecord r;
    r.Date = 46366; // 2026-12-10
    r.TimeOfDay = 0.5 + seconds / 1e6;
    r.Pupil = pupil;
    r.Level = 1;
    r.Seconds = seconds;
    return r;
}
} // namespace SecondsRecords
