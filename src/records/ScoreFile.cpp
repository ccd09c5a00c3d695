#include "records/ScoreFile.h"
#include "base/Clock.h"
#include "base/Cp932.h"
#include "base/Limits.h"
#include "base/OleDate.h"
#include "base/PosixFile.h"
#include "base/SystemError.h"
#include "records/BackupComparison.h"
#include "records/LoadedScores.h"
#include "records/ScoreBackups.h"
#include "records/ScoreRewrite.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int RecordSize = ScoreRecord::Size;
constexpr int NotFoundWaitMs = 5000;
constexpr int LockWaitMs = 1000;
// The school best counts pupils 1–1000 only.
constexpr int SchoolBestLastPupil = 1000;

const QString FileName = QStringLiteral("成績累積データ.dat");

// Where the loader was when something failed; shown in its diagnostic message.
enum LoadStage { StageOpen = 3, StageRead = 5 };

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString ErrorDescription(int err) { return SystemError::Describe(err); }

void Wait(const WaitFunction& wait, int ms)
{
    if (wait)
        wait(ms);
}

enum class Access { Read, Write };

[[noreturn]] void CannotWrite(const QString& path, int err)
{
    throw ScoreFile::Unreachable(QStringLiteral("成績ファイルに書き込めません（%1）。\n%2")
                                     .arg(ErrorDescription(err), Native(path)));
}

[[noreturn]] void CannotCreate(const QString& path, int err)
{
    throw ScoreFile::Unreachable(QStringLiteral("成績ファイルがなく、このフォルダには作れません（%1）。\n%2")
                                     .arg(ErrorDescription(err), Native(QFileInfo(path).absolutePath())));
}

[[noreturn]] void NotAFile(const QString& path)
{
    throw FatalError(QStringLiteral("成績ファイルの場所にあるのは普通のファイルではありません。\n%1").arg(Native(path)));
}

// A score file this process has just made is appended to by every pupil's account: readable and
// writable by all (0666), or by the group in a folder that hands its group down (setgid, as
// --new-school --group makes it), whatever the umask. A share that keeps its own modes (CIFS
// without Unix extensions) may refuse; its mount options decide then.
void GiveSharedMode(int fd, const QString& path)
{
    struct stat folder {};
    const bool groupFolder = ::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) == 0
        && (folder.st_mode & S_ISGID);
    [[maybe_unused]] const int ignored = ::fchmod(fd, groupFolder ? 0664 : 0666);
}

// Opens the score file, creating it empty when it is missing. Readers fall back to reading only (a
// read-only share); a writer that cannot write is told so at once, naming the file. `fail` builds
// the message for any other error; it must throw.
template <typename Fail>
PosixFile OpenFile(const ScoreFile& owner, Access access, const QString& stageText, Fail fail)
{
    const QString path = owner.Path();
    int tries = 0;
    for (;;) {
        PosixFile file;
        int err = file.Open(path, O_RDWR);
        if (err == ENOENT) {
            err = file.Open(path, O_RDWR | O_CREAT | O_EXCL, 0666);
            if (err == EEXIST) // another machine made it meanwhile
                continue;
            if (err == 0) {
                GiveSharedMode(file.Get(), path);
                // The new name made durable, or an append reported saved could go with it at a
                // power cut. A folder that will not sync is the share's to answer for.
                PosixFile::SyncFolder(owner.Folder());
            }
        }
        if (err == EACCES || err == EROFS || err == EPERM) {
            if (access == Access::Write)
                CannotWrite(path, err);
            const int readErr = file.Open(path, O_RDONLY);
            if (readErr == ENOENT && QFileInfo(QFileInfo(path).absolutePath()).isDir())
                CannotCreate(path, err); // the folder is there but takes no new file
            err = readErr;
        }
        if (err == 0) {
            struct stat st {};
            if (::fstat(file.Get(), &st) == 0 && !S_ISREG(st.st_mode))
                NotAFile(path);
            return file;
        }
        if (err == EISDIR)
            NotAFile(path);
        if (err == ENOENT) {
            // The data folder is gone, typically a share that dropped out; give it time to return.
            if (++tries >= owner.NotFoundTries())
                throw ScoreFile::Unreachable(QStringLiteral("ファイルがありません%1 %2 (%3)\n%4")
                                                 .arg(stageText, ErrorDescription(err)).arg(err).arg(Native(path)));
            Wait(owner.WaitFor(), NotFoundWaitMs);
            continue;
        }
        fail(err);
    }
}

// `waited` counts the seconds waited so far.
template <typename Fail>
void LockFile(int fd, short type, const ScoreFile& owner, int& waited, Fail fail)
{
    for (;;) {
        struct flock lock {};
        lock.l_type = type;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 0; // the whole file, however far it grows
        if (::fcntl(fd, F_SETLK, &lock) == 0)
            return;
        const int err = errno;
        if (err == EINTR)
            continue;
        if (err == EACCES || err == EAGAIN) { // another machine holds it; normally for a moment
            if (owner.GiveUpAfterSeconds() > 0 && waited >= owner.GiveUpAfterSeconds()) {
                owner.TellWaited(0);
                throw FatalError(QStringLiteral("ほかのパソコンが成績ファイルを使ったままです。%1秒待ちましたが空きませんでした。\n%2")
                                     .arg(waited)
                                     .arg(Native(owner.Path())));
            }
            Wait(owner.WaitFor(), LockWaitMs);
            waited += LockWaitMs / 1000;
            owner.TellWaited(waited);
            continue;
        }
        fail(err);
    }
}

void Unlock(int fd)
{
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_SETLK, &lock);
}

constexpr int StaleAfterSeconds = 300;

// Opens the score file and takes its lock. A rewrite that was cut off is finished first, under
// the write lock, so that nobody reads a half-rewritten file or appends to it.
template <typename Fail>
PosixFile OpenLocked(const ScoreFile& owner, Access access, short type, const QString& stageText, Fail fail)
{
    PosixFile file = OpenFile(owner, access, stageText, fail);
    int waited = 0;
    LockFile(file.Get(), type, owner, waited, fail);
    const ScoreRewrite rewrite(owner.Folder(), owner.Path(), file.Get());
    if (rewrite.JournalThere()) {
        if (type != F_WRLCK) {
            // Let go first: two readers that both wanted the write lock would wait for each other.
            Unlock(file.Get());
            LockFile(file.Get(), F_WRLCK, owner, waited, [&owner](int err) {
                throw ScoreFile::Unreachable(
                    QStringLiteral("成績ファイルの書き換えが途中で止まっていますが、このアカウントでは続きができません（%1）。\n%2")
                        .arg(ErrorDescription(err == EBADF ? EACCES : err), Native(owner.Path())));
            });
        }
        try {
            rewrite.FinishCutOff();
        } catch (const ScoreFile::Unreachable&) {
            throw;
        } catch (const FatalError& e) {
            // A finisher that cannot write, cut, sync or clear up (a full disk, no right to remove
            // the journal from the folder) leaves the journal for the next one; the attempt that
            // came to append waits on the PC meanwhile.
            throw ScoreFile::Unreachable(e.Message);
        }
        if (type != F_WRLCK)
            LockFile(file.Get(), type, owner, waited, fail); // trades the write lock for a read lock at once
    } else {
        // What a rewrite killed before its journal left: the content a restore was to take, copies
        // under passing names as large as the file. No rewrite runs while this lock is held; on a
        // share that does not carry the locks one might, so only passing copies a few minutes old go.
        ScoreBackups(owner.Folder()).RemoveUnfinished(StaleAfterSeconds);
    }
    if (waited > 0)
        owner.TellWaited(0);
    return file;
}

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

// Reads the last `wanted` whole records (fewer when the file holds fewer) into `buffer` with one
// read under the shared lock, creating the file empty when it is missing; a partial record at the
// end is left out. Files of more than `mostRecords` records fail with EFBIG. Returns how many
// records `buffer` holds. `fail(stage, errno, recordNumber)` must throw.
template <typename Fail>
qint64 ReadLastWhole(const ScoreFile& owner, qint64 wanted, qint64 mostRecords, std::vector<char>& buffer, Fail fail)
{
    PosixFile file = OpenLocked(owner, Access::Read, F_RDLCK, QString::number(StageOpen),
                                [&fail](int err) { fail(StageOpen, err, 0); });
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
    Unlock(file.Get());
    return got / RecordSize; // shorter only if the file shrank meanwhile
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
        if (const int err = backups.WriteWhole(journal.Source, target, 0644)) {
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

ScoreFile::ScoreFile(const QString& dataFolder, WaitFunction wait) : DataFolder(dataFolder), Wait(std::move(wait)) {}

ScoreFile& ScoreFile::NoticeWaiting(std::function<void(int)> notice)
{
    Notice = std::move(notice);
    return *this;
}

ScoreFile& ScoreFile::GiveUpAfter(int seconds)
{
    GiveUpSeconds = seconds;
    return *this;
}

ScoreFile& ScoreFile::DateBackupsBy(const Clock& clock)
{
    BackupClock = &clock;
    return *this;
}

ScoreFile& ScoreFile::TryOnce()
{
    Tries = 1;
    return *this;
}

QString ScoreFile::Path() const { return DataFolder + FileName; }

QString ScoreFile::JournalPath() const { return DataFolder + ScoreJournal::FileName(); }

QStringList ScoreFile::BackupNames() const { return ScoreBackups(DataFolder).Names(); }

QDateTime ScoreFile::BackupTime() const { return BackupClock ? BackupClock->Now() : QDateTime::currentDateTime(); }

void ScoreFile::OpenScoreFile() const
{
    const QString path = Path();
    OpenFile(*this, Access::Read, QString(), [&path](int err) { EditFailed(path, QStringLiteral("作成"), err); });
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
    const QByteArray bytes = record.ToBytes();
    PosixFile file = OpenLocked(*this, Access::Write, F_WRLCK, QString(), RecordingFailed);
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
    Unlock(file.Get());
    if (const int err = file.Close())
        RecordingFailed(err);
}

int ScoreFile::AppendRecords(const std::vector<ScoreRecord>& records) const
{
    if (records.empty())
        return 0;
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += r.ToBytes();
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
            if (BackupComparison::AttemptOf(then.mid(i * RecordSize, RecordSize)) != BackupComparison::AttemptOf(mine))
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
        ++attempts[BackupComparison::AttemptOf(whole.mid(at, RecordSize))];
    for (qint64 at = 0; at < note.Records.size(); at += RecordSize) {
        const QByteArray mine = note.Records.mid(at, RecordSize);
        if (auto it = attempts.find(BackupComparison::AttemptOf(mine)); it != attempts.end() && it.value() > 0) {
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
    PosixFile file = OpenLocked(*this, Access::Write, F_WRLCK, QString(), RecordingFailed);
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
    QByteArray records = queued + (next ? next->ToBytes() : QByteArray());
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
    Unlock(file.Get());
    // Synced already: what close might still report was never in doubt.
    file.Close();
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
        count = ReadLastWhole(attempt, LoadedScores::Window, std::numeric_limits<qint32>::max(), buffer,
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
            const QByteArray b = pending[i].ToBytes();
            std::copy(b.constData(), b.constData() + RecordSize, buffer.data() + (count + qint64(i)) * RecordSize);
        }
        count = all;
    }
    // The last Window records of all; the file's window itself stays as read, for the next time.
    const char* start = buffer.data() + std::max<qint64>(0, count - LoadedScores::Window) * RecordSize;
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
        const double date = qFromLittleEndian<double>(p);
        const qint16 pupil = qFromLittleEndian<qint16>(p + 16);
        const qint16 level = qFromLittleEndian<qint16>(p + 18);
        const qint32 seconds = qFromLittleEndian<qint32>(p + 20);
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
        scores.LoadedTimeOfDay[k] = qFromLittleEndian<double>(p + 8);
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

std::vector<char> ScoreFile::ReadLastRecordBytes(qint64 count) const
{
    const QString path = Path();
    std::vector<char> buffer;
    const qint64 got = ReadLastWhole(*this, count, std::numeric_limits<qint64>::max(), buffer,
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
        records.push_back(ScoreRecord::FromBytes(buffer.data() + at));
    return records;
}

qint32 ScoreFile::RecordCount() const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    PosixFile file = OpenLocked(*this, Access::Read, F_RDLCK, QString(), fail);
    const qint64 size = file.Size();
    if (size < 0)
        fail(int(-size));
    const qint64 records = WholeRecords(size);
    if (records < 0)
        fail(EFBIG);
    Unlock(file.Get());
    return qint32(records);
}

ScoreRecord ScoreFile::ReadRecord(qint32 n) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    PosixFile file = OpenLocked(*this, Access::Read, F_RDLCK, QString(), fail);
    char bytes[RecordSize];
    const qint64 got = n >= 1 ? file.ReadAt(bytes, RecordSize, qint64(n - 1) * RecordSize) : 0;
    if (got < 0)
        fail(int(-got));
    if (got < RecordSize)
        NoSuchRecord(path, n);
    Unlock(file.Get());
    return ScoreRecord::FromBytes(bytes);
}

void ScoreFile::WriteRecord(qint32 n, const ScoreRecord& record, const ScoreRecord& expected) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("書き込み"), err); };
    const QByteArray bytes = record.ToBytes();
    PosixFile file = OpenLocked(*this, Access::Write, F_WRLCK, QString(), fail);
    const qint64 size = file.Size();
    if (size < 0)
        fail(int(-size));
    if (n < 1 || n > size / RecordSize)
        NoSuchRecord(path, n);
    QByteArray now(RecordSize, Qt::Uninitialized);
    const qint64 got = file.ReadAt(now.data(), RecordSize, qint64(n - 1) * RecordSize);
    if (got < 0)
        fail(int(-got));
    if (now != expected.ToBytes())
        RecordChanged(path, n);
    if (const int err = file.WriteAt(bytes, qint64(n - 1) * RecordSize))
        fail(err);
    if (const int err = file.Sync())
        fail(err);
    Unlock(file.Get());
    if (const int err = file.Close())
        fail(err);
}

void ScoreFile::RemoveRecord(qint32 n, const ScoreRecord& expected) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("記録の削除"), err); };
    PosixFile file = OpenLocked(*this, Access::Write, F_WRLCK, QString(), fail);
    ScoreRewrite::PauseForTestAt("locked");
    QByteArray old;
    if (const int err = file.ReadRest(old))
        fail(err);
    const qint64 whole = old.size() / RecordSize * RecordSize;
    if (n < 1 || qint64(n) * RecordSize > whole)
        NoSuchRecord(path, n);
    const qint64 at = qint64(n - 1) * RecordSize;
    const QByteArray removed = old.mid(at, RecordSize);
    if (removed != expected.ToBytes())
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
    Unlock(file.Get());
}

std::vector<ScoreFile::BackupInfo> ScoreFile::DescribeBackups() const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    QByteArray current;
    {
        PosixFile file = OpenLocked(*this, Access::Read, F_RDLCK, QString(), fail);
        if (const int err = file.ReadRest(current))
            fail(err);
        Unlock(file.Get());
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
    PosixFile file = OpenLocked(*this, Access::Write, F_WRLCK, QString(), fail);
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
    Unlock(file.Get());
}
