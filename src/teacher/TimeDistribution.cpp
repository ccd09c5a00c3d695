#include "teacher/TimeDistribution.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecord.h"
#include <QFile>
#include <algorithm>
#include <limits>
#include <sys/stat.h>

namespace {

int Bucket(qint32 seconds, int last)
{
    // A negative time is no time anybody took; it goes with the fastest.
    return seconds < 0 ? 0 : int(std::min<qint64>(seconds / 10, last));
}

// The header's star unit: a tenth of the level's total, at least 1.
qint32 StarUnit(const TimeDistribution::Counts& counts)
{
    qint64 sum = 0;
    for (const qint32 c : counts)
        sum += c;
    return std::max<qint32>(1, qint32(sum / 10));
}

QStringList BucketLines(const QString& header, const TimeDistribution::Counts& counts, qint32 unit)
{
    QStringList lines;
    lines.reserve(TimeDistribution::Buckets + 1);
    lines << header;
    for (int b = 0; b < TimeDistribution::Buckets; ++b) {
        // Rounded to the nearest whole star: a count of half a unit or more shows one.
        const int stars = int((2 * qint64(counts[std::size_t(b)]) + unit) / (2 * qint64(unit)));
        lines << QString::number(b * 10).rightJustified(4, u' ') + u'～' + QString(stars, u'★');
    }
    return lines;
}

} // namespace

TimeDistribution::Tables TimeDistribution::Compute(const std::vector<ScoreRecord>& records)
{
    Tables t;
    constexpr int Pupils = Limits::PupilSlots;
    constexpr qint32 None = std::numeric_limits<qint32>::max();
    std::vector<qint32> best(std::size_t(Limits::LevelSlots) * Pupils, None);
    for (const ScoreRecord& r : records) {
        if (!Limits::IsLevel(r.Level) || !Limits::IsPupilSlot(r.Pupil))
            continue;
        const std::size_t level = std::size_t(r.Level);
        ++t.Attempts[level];
        ++t.All[level][std::size_t(Bucket(r.Seconds, LastAllBucket))];
        qint32& b = best[level * Pupils + std::size_t(r.Pupil)];
        b = std::min(b, r.Seconds);
    }
    for (std::size_t level = 1; level < std::size_t(Limits::LevelSlots); ++level) {
        const qint32* row = best.data() + level * Pupils;
        for (int pupil = 0; pupil < Pupils; ++pupil)
            if (row[pupil] != None)
                ++t.Best[level][std::size_t(Bucket(row[pupil], LastBestBucket))];
    }
    return t;
}

TimeDistribution::Lists TimeDistribution::ListsOf(const Tables& tables, int level)
{
    static const Counts NoCounts{};
    const bool known = Limits::IsLevel(level);
    const Counts& all = known ? tables.All[std::size_t(level)] : NoCounts;
    const Counts& best = known ? tables.Best[std::size_t(level)] : NoCounts;
    const qint32 attempts = known ? tables.Attempts[std::size_t(level)] : 0;
    const qint32 allUnit = StarUnit(all);
    const qint32 bestUnit = StarUnit(best);
    Lists lists;
    lists.AllAttempts = BucketLines(
        QStringLiteral("レベル%1 今まで%2回  （★=%3）").arg(level).arg(attempts).arg(allUnit), all, allUnit);
    lists.BestTimes = BucketLines(QStringLiteral("レベル%1 （★=%2）").arg(level).arg(bestUnit), best, bestUnit);
    return lists;
}

std::optional<TimeDistribution::FileIdentity> TimeDistribution::IdentityOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    FileIdentity id;
    id.Path = path;
    id.Device = quint64(st.st_dev);
    id.Inode = quint64(st.st_ino);
    id.Size = qint64(st.st_size);
    id.ModifiedSeconds = qint64(st.st_mtim.tv_sec);
    id.ModifiedNanoseconds = qint64(st.st_mtim.tv_nsec);
    return id;
}

const TimeDistribution::Tables& TimeDistribution::For(const ScoreFile& file)
{
    // Taken before the read: a record appended meanwhile changes the file again, so the next call
    // reads once more rather than keeping tables that miss it.
    const std::optional<FileIdentity> before = IdentityOf(file.Path());
    if (Kept && before && *Kept == *before)
        return Current;
    std::vector<ScoreRecord> records = file.ReadLastRecords(std::numeric_limits<qint64>::max());
    ++Reads;
    Current = Compute(records);
    // A file the read has just created is read once more next time, under its identity.
    Kept = before;
    return Current;
}
