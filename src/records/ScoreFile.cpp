#include "records/ScoreFile.h"
#include "base/Clock.h"
#include "base/Cp932.h"
#include "base/FileReplacement.h"
#include "base/OleDate.h"
#include "base/PosixFile.h"
#include "base/SystemError.h"
#include "records/BackupComparison.h"
#include "records/LoadedScores.h"
#include "records/ScoreBackups.h"
#include "records/ScoreRecordCodec.h"
#include "records/ScoreRewrite.h"
#include "records/ScoreWindowLoader.h"
#include <QDir>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int RecordSize = ScoreRecordCodec::Size;

const QString FileName = QStringLiteral("成績累積データ.dat");

// Where the loader was when something failed; shown in its diagnostic message.
enum LoadStage { StageOpen = 3, StageRead = 5 };

using Access = LockedScoreFile::Access;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString ErrorDescription(int err) { return SystemError::Describe(err); }

// Whole records in a file of `bytes` bytes, or -1 when there are more than record numbers can count.
qint64 WholeRecords(qint64 bytes)
{
    const qint64 n = bytes / RecordSize;
    return n > std::numeric_limits<qint32>::max() ? -1 : n;
}

[[noreturn]] void RecordingFailed(const QString& path, int err)
{
    const QString message = QStringLiteral("成績ランダムファイル記録%1 (%2)\n%3").arg(ErrorDescription(err)).arg(err).arg(Native(path));
    if (err == EFBIG)
        throw FatalError(message);
    throw ScoreFile::Unreachable(message);
}

[[noreturn]] void EditFailed(const QString& path, const QString& what, int err)
{
    throw FatalError(QStringLiteral("成績ファイルの%1に失敗しました: %2 (%3)\n%4")
                         .arg(what, ErrorDescription(err)).arg(err).arg(Native(path)));
}

[[noreturn]] void NoSuchRecord(const QString& path, qint32 n)
{
    throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(path)));
}

[[noreturn]] void RecordChanged(const QString& path, qint32 n)
{
    throw ScoreFile::Changed(QStringLiteral("成績ファイルの%1番の記録が変わっています。何も書き込みませんでした。\n%2").arg(n).arg(Native(path)));
}

// `shown`: the record the failed read was meant to fill, as it stood before the read.
[[noreturn]] void LoadFailed(const QString& path, const ScoreRecord& shown, int stage, int err, qint64 recordNumber)
{
    // Put together piece by piece: a chain of arg() would read "%3" after an error number as "%23".
    const QString stageText = QString::number(stage);
    const QString errText = QString::number(err);
    const QString message = QStringLiteral("成績ランダムファイル表示") + stageText + errText + ErrorDescription(err) + errText
        + QStringLiteral("/date") + OleDate::ToDate(shown.Date).toString(QStringLiteral("yyyy/MM/dd"))
        + QStringLiteral("/i=") + QString::number(recordNumber)
        + QStringLiteral("/time=") + OleDate::ToTime(shown.TimeOfDay).toString(QStringLiteral("HH:mm:ss"))
        + QStringLiteral("/name=/Bangou=") + QString::number(shown.Pupil)
        + QStringLiteral("/level=") + QString::number(shown.Level)
        + QStringLiteral("/time=") + QString::number(shown.Seconds)
        + QStringLiteral("line") + stageText + u'\n' + Native(path);
    if (err == EFBIG)
        throw FatalError(message);
    throw ScoreFile::Unreachable(message);
}

// The loader's slot 1, which its message shows.
ScoreRecord FirstSlot(const LoadedScores& s)
{
    ScoreRecord r;
    r.Date = s.LoadedDate[1];
    r.TimeOfDay = s.LoadedTimeOfDay[1];
    r.Pupil = s.LoadedPupil[1];
    r.Level = s.LoadedLevel[1];
    r.Seconds = s.LoadedSeconds[1];
    return r;
}

// Keeps `current` (the whole file, open as `fd` under the write lock) as a backup, then rewrites
// the file to `target` as `journal` says, and prunes the backups. `tails` has where the attempts
// appended after the older backups begin, in `current` (Before) and in `target` (After); the new
// backup's own start is added here. When the journal cannot be written, the file is as it was and
// what was made for it goes again.
void RewriteKeepingBackup(const ScoreFile& owner, int fd, const QByteArray& current, const QByteArray& target,
                          ScoreJournal journal, BackupTails tails)
{
    const QString folder = owner.Folder();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        EditFailed(owner.Path(), QStringLiteral("書き換え"), errno);
    const ScoreBackups backups(folder);
    backups.RemoveUnfinished();
    backups.RemoveOrphans(current);
    journal.Backup = backups.Write(current, st.st_mode & 07777, owner.BackupTime());
    journal.BackupSize = current.size();
    tails.Records = target.size() / RecordSize;
    tails.After.insert(journal.Backup, tails.Records);
    journal.Tails = tails.Encode();
    const auto unwind = [&] {
        // A journal that got there after all (its rename answered in error by a share) needs them.
        if (QStringList named; backups.JournalThere(&named))
            return;
        ::unlink(QFile::encodeName(folder + journal.Backup).constData());
        if (journal.What == ScoreJournal::Kind::Restore)
            ::unlink(QFile::encodeName(folder + journal.Source).constData());
    };
    if (journal.What == ScoreJournal::Kind::Restore) {
        // The content to take, whole on the disk before the journal names it.
        journal.SourceSize = target.size();
        if (const int err = FileReplacement::Replace(folder + journal.Source, target, {.Mode = 0644}).Error) {
            unwind();
            EditFailed(folder + journal.Source, QStringLiteral("控えからの復元"), err);
        }
    }
    ScoreRewrite::PauseForTestAt("backed-up");
    try {
        ScoreRewrite(folder, owner.Path(), fd).Run(journal, target, current);
    } catch (const ScoreFile::Unreachable& e) {
        unwind();
        throw FatalError(e.Message);
    }
    backups.Prune(owner.BackupTime());
}

} // namespace

ScoreFile::ScoreFile(const QString& dataFolder, WaitFunction wait) : DataFolder(dataFolder)
{
    Waiting.Wait = std::move(wait);
}

ScoreFile& ScoreFile::NoticeWaiting(std::function<void(int)> notice)
{
    Waiting.Notice = std::move(notice);
    return *this;
}

ScoreFile& ScoreFile::GiveUpAfter(int seconds)
{
    Waiting.GiveUpSeconds = seconds;
    return *this;
}

ScoreFile& ScoreFile::DateBackupsBy(const Clock& clock)
{
    BackupClock = &clock;
    return *this;
}

ScoreFile& ScoreFile::TryOnce()
{
    Waiting.NotFoundTries = 1;
    return *this;
}

QString ScoreFile::Path() const { return DataFolder + FileName; }

QString ScoreFile::JournalPath() const { return DataFolder + ScoreJournal::FileName(); }

QStringList ScoreFile::BackupNames() const { return ScoreBackups(DataFolder).Names(); }

QDateTime ScoreFile::BackupTime() const { return BackupClock ? BackupClock->Now() : QDateTime::currentDateTime(); }

LockedScoreFile ScoreFile::Locked(Access access, const LockedScoreFile::Failure& fail, const QString& stageText) const
{
    return LockedScoreFile(DataFolder, Path(), Waiting, access, stageText, fail);
}

qint64 ScoreFile::ReadLastWhole(qint64 wanted, qint64 mostRecords, std::vector<char>& buffer, const LoadFailure& fail) const
{
    const LockedScoreFile locked = Locked(Access::Read, [&fail](int err) { fail(StageOpen, err, 0); },
                                          QString::number(StageOpen));
    const PosixFile& file = locked.File();
    const qint64 size = file.Size();
    if (size < 0)
        fail(StageOpen, int(-size), 0);
    const qint64 records = size / RecordSize;
    if (records > mostRecords)
        fail(StageOpen, EFBIG, 0);
    const qint64 first = records - std::clamp<qint64>(wanted, 0, records);
    const qint64 count = records - first;
    if (qint64(buffer.size()) < count * RecordSize)
        buffer.resize(size_t(count * RecordSize));
    const qint64 got = file.ReadAt(buffer.data(), count * RecordSize, first * RecordSize);
    if (got < 0)
        fail(StageRead, int(-got), first + 1);
    locked.Unlock();
    return got / RecordSize; // shorter only if the file shrank meanwhile
}

void ScoreFile::OpenScoreFile() const
{
    const QString path = Path();
    LockedScoreFile::Open(DataFolder, path, Waiting, Access::Read, QString(),
                          [&path](int err) { EditFailed(path, QStringLiteral("作成"), err); });
}

ScoreRecord ScoreFile::AttemptRecord(const QDateTime& now, qint16 pupil, qint16 level, qint32 seconds,
                                     const QString& schoolCode)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(now.date());
    r.TimeOfDay = OleDate::FromTime(now.time());
    r.Pupil = pupil;
    r.Level = level;
    r.Seconds = seconds;
    r.SchoolCode = Cp932::EncodeFixed(schoolCode, 5);
    r.SpareText2 = QByteArray(5, ' ');
    r.SpareText3 = QByteArray("0    ");
    r.SpareText4 = QByteArray(5, ' ');
    return r;
}

void ScoreFile::AppendScoreRecord(const ScoreRecord& record) const
{
    const QString path = Path();
    const auto RecordingFailed = [&path](int err) { ::RecordingFailed(path, err); };
    const QByteArray bytes = ScoreRecordCodec::Encode(record);
    LockedScoreFile locked = Locked(Access::Write, RecordingFailed);
    const PosixFile& file = locked.File();
    // Positioned under the lock: right after the last whole record, over any partial tail.
    const qint64 size = file.Size();
    if (size < 0)
        RecordingFailed(int(-size));
    const qint64 records = WholeRecords(size);
    if (records < 0 || records >= std::numeric_limits<qint32>::max())
        RecordingFailed(EFBIG);
    if (const int err = file.WriteAt(bytes, records * RecordSize))
        RecordingFailed(err);
    if (const int err = file.Sync())
        RecordingFailed(err);
    locked.Unlock();
    if (const int err = locked.Close())
        RecordingFailed(err);
}

int ScoreFile::AppendRecords(const std::vector<ScoreRecord>& records) const
{
    if (records.empty())
        return 0;
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += ScoreRecordCodec::Encode(r);
    QueueSteps steps;
    steps.Gather = [&bytes](QByteArray& queued, std::optional<AppendNote>&) { queued = bytes; };
    steps.Note = [](const AppendNote&) {};
    steps.Done = [](const QByteArray&) {};
    return AppendOnce(steps);
}

namespace {
// The records of the note's append that are in the file: the file as it stood right after that
// append is the file now when no delete or restore came since, else the first backup made after it.
// The append wrote its records in order from the note's place, so those that landed are the ones
// found there, from the first on. Only when that backup is gone, any record of the whole file now
// that is the same attempt counts.
QByteArray LandedOf(const AppendNote& note, const PosixFile& file, const QString& folder)
{
    const qint64 count = note.Records.size() / RecordSize;
    const QString after = ScoreBackups::OrderKey(note.NewestBackup);
    QString firstLater;
    for (const QString& name : ScoreBackups(folder).Names())
        if (ScoreBackups::OrderKey(name) > after) {
            firstLater = name;
            break;
        }
    QByteArray then;
    bool known = true;
    if (firstLater.isEmpty()) {
        then.resize(qsizetype(count * RecordSize));
        const qint64 got = file.ReadAt(then.data(), then.size(), note.At * RecordSize);
        then.truncate(qsizetype(std::max<qint64>(got, 0) / RecordSize * RecordSize));
    } else {
        QByteArray backup;
        known = PosixFile::ReadFile(folder + firstLater, backup) == 0;
        then = backup.mid(qsizetype(note.At * RecordSize), qsizetype(count * RecordSize));
    }
    QByteArray landed;
    if (known) {
        for (qint64 i = 0; (i + 1) * RecordSize <= then.size(); ++i) {
            const QByteArray mine = note.Records.mid(i * RecordSize, RecordSize);
            if (ScoreRecordCodec::AttemptOf(then.mid(i * RecordSize, RecordSize)) != ScoreRecordCodec::AttemptOf(mine))
                break;
            landed += mine;
        }
        return landed;
    }
    QByteArray whole;
    if (file.ReadRest(whole) != 0)
        return landed;
    QHash<QByteArray, int> attempts;
    for (qint64 at = 0; at + RecordSize <= whole.size(); at += RecordSize)
        ++attempts[ScoreRecordCodec::AttemptOf(whole.mid(at, RecordSize))];
    for (qint64 at = 0; at < note.Records.size(); at += RecordSize) {
        const QByteArray mine = note.Records.mid(at, RecordSize);
        if (auto it = attempts.find(ScoreRecordCodec::AttemptOf(mine)); it != attempts.end() && it.value() > 0) {
            --it.value();
            landed += mine;
        }
    }
    return landed;
}
} // namespace

int ScoreFile::AppendOnce(const QueueSteps& queue, const ScoreRecord* next) const
{
    const QString path = Path();
    const auto RecordingFailed = [&path](int err) { ::RecordingFailed(path, err); };
    LockedScoreFile locked = Locked(Access::Write, RecordingFailed);
    const PosixFile& file = locked.File();
    const qint64 size = file.Size();
    if (size < 0)
        RecordingFailed(int(-size));
    QByteArray queued;
    std::optional<AppendNote> cutOff;
    queue.Gather(queued, cutOff);
    const qint64 whole = WholeRecords(size);
    const qint64 queuedCount = queued.size() / RecordSize;
    if (whole < 0 || whole + queuedCount + 1 >= std::numeric_limits<qint32>::max())
        RecordingFailed(EFBIG);
    QByteArray records = queued + (next ? ScoreRecordCodec::Encode(*next) : QByteArray());
    if (cutOff)
        records = BackupComparison::Without(records, LandedOf(*cutOff, file, DataFolder));
    // A record of an older queue that has no note may have landed all the same.
    const qint64 window = std::min<qint64>(whole, LoadedScores::Window);
    QByteArray recent(qsizetype(window * RecordSize), Qt::Uninitialized);
    const qint64 got = file.ReadAt(recent.data(), recent.size(), (whole - window) * RecordSize);
    if (got < 0)
        RecordingFailed(int(-got));
    recent.truncate(qsizetype(got));
    records = BackupComparison::Without(records, recent);
    if (!records.isEmpty()) {
        const QStringList backups = BackupNames();
        try {
            queue.Note({whole, backups.isEmpty() ? QString() : backups.last(), records});
        } catch (const FatalError&) {
            // Without the note a cut-off append is still found among the last records.
        }
        if (const int err = file.WriteAt(records, whole * RecordSize))
            RecordingFailed(err);
        if (const int err = file.Sync())
            RecordingFailed(err);
    }
    ScoreRewrite::PauseForTestAt("appended");
    queue.Done(queued);
    locked.Unlock();
    // Synced already: what close might still report was never in doubt.
    locked.Close();
    return int(queuedCount);
}

void ScoreFile::LoadScoreRecords(LoadedScores& scores, const std::vector<ScoreRecord>& pending, bool shareAway) const
{
    const QString path = Path();
    std::vector<char>& buffer = scores.ReadBuffer;
    qint64 count = 0;
    ScoreFile attempt = *this;
    if (shareAway)
        attempt.TryOnce();
    try {
        count = attempt.ReadLastWhole(LoadedScores::Window, std::numeric_limits<qint32>::max(), buffer,
                                      [&path, &scores](int stage, int err, qint64 recordNumber) {
                                          ::LoadFailed(path, FirstSlot(scores), stage, err, recordNumber);
                                      });
        scores.WindowRecords = count;
    } catch (const Unreachable&) {
        // This PC's attempts wait for the share: the last window read stands in for the file.
        if (!shareAway)
            throw;
        count = scores.WindowRecords;
    }
    if (!pending.empty()) {
        const qint64 all = count + qint64(pending.size());
        buffer.resize(std::max<size_t>(buffer.size(), size_t(all * RecordSize)));
        for (std::size_t i = 0; i < pending.size(); ++i) {
            const QByteArray b = ScoreRecordCodec::Encode(pending[i]);
            std::copy(b.constData(), b.constData() + RecordSize, buffer.data() + (count + qint64(i)) * RecordSize);
        }
        count = all;
    }
    // The file's window itself stays as read, for the next time.
    ScoreWindowLoader::Load(scores, buffer.data(), count * RecordSize);
}

std::vector<char> ScoreFile::ReadLastRecordBytes(qint64 count) const
{
    const QString path = Path();
    std::vector<char> buffer;
    const qint64 got = ReadLastWhole(count, std::numeric_limits<qint64>::max(), buffer,
                                     [&path](int stage, int err, qint64 recordNumber) {
                                         ::LoadFailed(path, ScoreRecord(), stage, err, recordNumber);
                                     });
    buffer.resize(std::size_t(got) * RecordSize);
    return buffer;
}

std::vector<ScoreRecord> ScoreFile::ReadLastRecords(qint64 count) const
{
    const std::vector<char> buffer = ReadLastRecordBytes(count);
    std::vector<ScoreRecord> records;
    records.reserve(buffer.size() / RecordSize);
    for (std::size_t at = 0; at + RecordSize <= buffer.size(); at += RecordSize)
        records.push_back(ScoreRecordCodec::Decode(buffer.data() + at));
    return records;
}

qint32 ScoreFile::RecordCount() const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    const LockedScoreFile locked = Locked(Access::Read, fail);
    const PosixFile& file = locked.File();
    const qint64 size = file.Size();
    if (size < 0)
        fail(int(-size));
    const qint64 records = WholeRecords(size);
    if (records < 0)
        fail(EFBIG);
    locked.Unlock();
    return qint32(records);
}

ScoreRecord ScoreFile::ReadRecord(qint32 n) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    const LockedScoreFile locked = Locked(Access::Read, fail);
    const PosixFile& file = locked.File();
    char bytes[RecordSize];
    const qint64 got = n >= 1 ? file.ReadAt(bytes, RecordSize, qint64(n - 1) * RecordSize) : 0;
    if (got < 0)
        fail(int(-got));
    if (got < RecordSize)
        NoSuchRecord(path, n);
    locked.Unlock();
    return ScoreRecordCodec::Decode(bytes);
}

void ScoreFile::WriteRecord(qint32 n, const ScoreRecord& record, const ScoreRecord& expected) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("書き込み"), err); };
    const QByteArray bytes = ScoreRecordCodec::Encode(record);
    LockedScoreFile locked = Locked(Access::Write, fail);
    const PosixFile& file = locked.File();
    const qint64 size = file.Size();
    if (size < 0)
        fail(int(-size));
    if (n < 1 || n > size / RecordSize)
        NoSuchRecord(path, n);
    QByteArray now(RecordSize, Qt::Uninitialized);
    const qint64 got = file.ReadAt(now.data(), RecordSize, qint64(n - 1) * RecordSize);
    if (got < 0)
        fail(int(-got));
    if (now != ScoreRecordCodec::Encode(expected))
        RecordChanged(path, n);
    if (const int err = file.WriteAt(bytes, qint64(n - 1) * RecordSize))
        fail(err);
    if (const int err = file.Sync())
        fail(err);
    locked.Unlock();
    if (const int err = locked.Close())
        fail(err);
}

void ScoreFile::RemoveRecord(qint32 n, const ScoreRecord& expected) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("記録の削除"), err); };
    const LockedScoreFile locked = Locked(Access::Write, fail);
    const PosixFile& file = locked.File();
    ScoreRewrite::PauseForTestAt("locked");
    QByteArray old;
    if (const int err = file.ReadRest(old))
        fail(err);
    const qint64 whole = old.size() / RecordSize * RecordSize;
    if (n < 1 || qint64(n) * RecordSize > whole)
        NoSuchRecord(path, n);
    const qint64 at = qint64(n - 1) * RecordSize;
    const QByteArray removed = old.mid(at, RecordSize);
    if (removed != ScoreRecordCodec::Encode(expected))
        RecordChanged(path, n);
    ScoreJournal journal;
    journal.What = ScoreJournal::Kind::Delete;
    journal.Record = n;
    journal.Removed = removed;
    BackupTails tails;
    if (const std::optional<BackupTails::Starts> starts = ScoreBackups(DataFolder).AppendStarts(old)) {
        tails.Before = *starts;
        tails.After = BackupTails::AfterRemoving(*starts, n - 1);
    }
    RewriteKeepingBackup(*this, file.Get(), old, old.left(at) + old.mid(at + RecordSize, whole - at - RecordSize), journal,
                         tails);
    locked.Unlock();
}

std::vector<ScoreFile::BackupInfo> ScoreFile::DescribeBackups() const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    QByteArray current;
    {
        const LockedScoreFile locked = Locked(Access::Read, fail);
        const PosixFile& file = locked.File();
        if (const int err = file.ReadRest(current))
            fail(err);
        locked.Unlock();
    }
    std::vector<BackupInfo> infos;
    const ScoreBackups backups(DataFolder);
    const std::optional<BackupTails::Starts> starts = backups.AppendStarts(current);
    const QStringList names = BackupNames();
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        BackupInfo info;
        info.Name = *it;
        info.Made = ScoreBackups::MadeAt(*it);
        QByteArray bytes;
        if (const int err = PosixFile::ReadFile(DataFolder + *it, bytes)) {
            info.Damage = QStringLiteral("読めません（%1）").arg(ErrorDescription(err));
        } else {
            info.Records = bytes.size() / RecordSize;
            info.Damage = BackupComparison::Damage(bytes);
            info.Differing = BackupComparison::Differing(current, bytes);
            info.KnowsAppended = starts && starts->contains(*it) && backups.ReadTails(*it);
        }
        infos.push_back(info);
    }
    return infos;
}

void ScoreFile::RestoreBackup(const QString& name) const
{
    const QString path = Path();
    const QString backupPath = DataFolder + name;
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("控えからの復元"), err); };
    const auto refuse = [&backupPath](const QString& why) {
        throw FatalError(QStringLiteral("この控えには戻せません（%1）。成績ファイルはそのままです。\n%2").arg(why, Native(backupPath)));
    };
    if (!ScoreBackups::IsBackupName(name))
        refuse(QStringLiteral("控えの名前ではありません"));
    const LockedScoreFile locked = Locked(Access::Write, fail);
    const PosixFile& file = locked.File();
    ScoreRewrite::PauseForTestAt("locked");
    QByteArray current;
    if (const int err = file.ReadRest(current))
        fail(err);
    QByteArray chosen;
    if (const int err = PosixFile::ReadFile(backupPath, chosen))
        refuse(QStringLiteral("読めません: %1").arg(ErrorDescription(err)));
    if (const QString damage = BackupComparison::Damage(chosen); !damage.isEmpty())
        refuse(damage);
    // No pupil's attempt is lost to an undo: what was appended after the backup stays, at the end.
    ScoreJournal journal;
    journal.What = ScoreJournal::Kind::Restore;
    journal.Source = ScoreBackups::RestoreSource();
    const ScoreBackups backups(DataFolder);
    const std::optional<BackupTails::Starts> starts = backups.AppendStarts(current);
    const std::optional<BackupTails> chosenTails = backups.ReadTails(name);
    const qint64 whole = current.size() / RecordSize * RecordSize;
    BackupTails tails;
    QByteArray target;
    if (starts && chosenTails && starts->contains(name) && starts->value(name) * RecordSize <= whole) {
        const qint64 from = starts->value(name) * RecordSize;
        target = chosen + current.mid(from, whole - from);
        tails.Before = *starts;
        tails.After = BackupTails::AfterRestoring(*starts, name, chosen.size() / RecordSize, *chosenTails);
    } else {
        // A backup of an older version, or one whose note is lost: the records it does not hold.
        target = chosen + BackupComparison::AppendedAfter(current, chosen);
        if (starts)
            tails.Before = *starts;
    }
    RewriteKeepingBackup(*this, file.Get(), current, target, journal, tails);
    locked.Unlock();
}
