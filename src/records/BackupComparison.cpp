#include "records/BackupComparison.h"
#include "base/Limits.h"
#include "records/ScoreRecordCodec.h"
#include <QHash>
#include <cmath>

namespace {
constexpr qint64 R = ScoreRecordCodec::Size;

QHash<QByteArray, int> Counted(const QByteArray& bytes)
{
    QHash<QByteArray, int> counts;
    for (qint64 at = 0; at + R <= bytes.size(); at += R)
        ++counts[bytes.mid(at, R)];
    return counts;
}

} // namespace

QString BackupComparison::Damage(const QByteArray& backup)
{
    // A copy cut short: its last record is a part of one, and what it stands for is unknown.
    if (backup.size() % R != 0)
        return QStringLiteral("長さ（%1バイト）が記録%2バイトの倍数ではありません。途中で切れた写しです").arg(backup.size()).arg(R);
    for (qint64 at = 0; at + R <= backup.size(); at += R) {
        const char* p = backup.constData() + at;
        if (!std::isfinite(ScoreRecordCodec::Date(p)) || !Limits::IsPupilSlot(ScoreRecordCodec::Pupil(p))
            || !Limits::IsLevelSlot(ScoreRecordCodec::Level(p)))
            return QStringLiteral("%1番目の記録が成績の記録になっていません").arg(at / R + 1);
    }
    return QString();
}

qint64 BackupComparison::Differing(const QByteArray& current, const QByteArray& backup)
{
    QHash<QByteArray, int> inBackup = Counted(backup);
    qint64 onlyCurrent = 0;
    for (qint64 at = 0; at + R <= current.size(); at += R) {
        auto it = inBackup.find(current.mid(at, R));
        if (it != inBackup.end() && it.value() > 0)
            --it.value();
        else
            ++onlyCurrent;
    }
    qint64 onlyBackup = 0;
    for (auto it = inBackup.cbegin(); it != inBackup.cend(); ++it)
        onlyBackup += it.value();
    return onlyCurrent + onlyBackup;
}

QByteArray BackupComparison::AppendedAfter(const QByteArray& current, const QByteArray& backup)
{
    QHash<QByteArray, int> inBackup = Counted(backup);
    QHash<QByteArray, int> inCurrent = Counted(current);
    // The attempts whose record the backup holds in another form: changed since, not new.
    QHash<QByteArray, int> changed;
    for (auto it = inBackup.cbegin(); it != inBackup.cend(); ++it) {
        const int gone = it.value() - inCurrent.value(it.key());
        if (gone > 0)
            changed[ScoreRecordCodec::AttemptOf(it.key())] += gone;
    }
    QByteArray appended;
    for (qint64 at = 0; at + R <= current.size(); at += R) {
        const QByteArray record = current.mid(at, R);
        if (auto it = inBackup.find(record); it != inBackup.end() && it.value() > 0) {
            --it.value();
            continue;
        }
        if (auto it = changed.find(ScoreRecordCodec::AttemptOf(record)); it != changed.end() && it.value() > 0) {
            --it.value();
            continue;
        }
        appended += record;
    }
    return appended;
}

QByteArray BackupComparison::Without(const QByteArray& records, const QByteArray& taken)
{
    QHash<QByteArray, int> counts = Counted(taken);
    QByteArray left;
    for (qint64 at = 0; at + R <= records.size(); at += R) {
        const QByteArray r = records.mid(at, R);
        if (auto it = counts.find(r); it != counts.end() && it.value() > 0)
            --it.value();
        else
            left += r;
    }
    return left;
}
