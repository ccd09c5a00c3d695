#include "records/ScoreWindowLoader.h"
#include "base/Limits.h"
#include "records/LoadedScores.h"
#include "records/ScoreRecordCodec.h"
#include <algorithm>

namespace {
constexpr int RecordSize = ScoreRecordCodec::Size;
// The school best counts pupils 1–1000 only.
constexpr int SchoolBestLastPupil = 1000;
} // namespace

void ScoreWindowLoader::Load(LoadedScores& scores, const char* records, qint64 size)
{
    qint64 count = std::max<qint64>(size, 0) / RecordSize;
    const char* start = records + std::max<qint64>(0, count - LoadedScores::Window) * RecordSize;
    count = std::min<qint64>(count, LoadedScores::Window);

    if (!scores.BestFilled) {
        scores.BestSeconds.Fill(Limits::NoTime);
        scores.BestFilled = true;
    } else {
        qint32* best = scores.BestSeconds.Row(0);
        for (const qint32 cell : scores.BestTouched)
            best[cell] = Limits::NoTime;
    }
    scores.BestTouched.clear();

    qint32* best = scores.BestSeconds.Row(0);
    const char* p = start;
    qint32 k = 0;
    for (qint64 i = 0; i < count; ++i, p += RecordSize) {
        const double date = ScoreRecordCodec::Date(p);
        const qint16 pupil = ScoreRecordCodec::Pupil(p);
        const qint16 level = ScoreRecordCodec::Level(p);
        const qint32 seconds = ScoreRecordCodec::Seconds(p);
        // A damaged record: left in the file as it is, but it has no table cell to count in.
        if (pupil < 0 || pupil >= LevelPupilTable<qint32>::Pupils || level < 0 || level >= LevelPupilTable<qint32>::Levels)
            continue;
        const qint32 cell = level * LevelPupilTable<qint32>::Pupils + pupil;
        if (seconds < best[cell]) {
            if (best[cell] == Limits::NoTime)
                scores.BestTouched.push_back(cell);
            best[cell] = seconds;
        }
        // Pupil 0, level 0 and dates before 1899 count for the best time only.
        if (!(date >= 0) || pupil == 0 || level < 1)
            continue;
        ++k;
        scores.LoadedDate[k] = date;
        scores.LoadedTimeOfDay[k] = ScoreRecordCodec::TimeOfDay(p);
        scores.LoadedPupil[k] = pupil;
        scores.LoadedLevel[k] = level;
        scores.LoadedSeconds[k] = seconds;
    }
    scores.LoadedCount = k;

    scores.SchoolBestSeconds.fill(Limits::NoTime);
    for (const qint32 cell : scores.BestTouched) {
        const int level = cell / LevelPupilTable<qint32>::Pupils;
        const int pupil = cell % LevelPupilTable<qint32>::Pupils;
        if (level >= 1 && pupil >= 1 && pupil <= SchoolBestLastPupil)
            scores.SchoolBestSeconds[level] = std::min(scores.SchoolBestSeconds[level], best[cell]);
    }
}
