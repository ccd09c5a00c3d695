#include "records/ScoreFile.h"
#include "base/Clock.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "base/Limits.h"
#include "base/OleDate.h"
#include "base/SystemError.h"
#include "records/LoadedScores.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int RecordSize = ScoreRecord::Size;
constexpr int NotFoundTries = 4;
constexpr int NotFoundWaitMs = 5000;
constexpr int LockWaitMs = 1000;
// The school best counts pupils 1–1000 only.
constexpr int SchoolBestLastPupil = 1000;
// How often an operation starts again because a delete replaced the file while it waited for the
// lock. Each round needs another delete to finish meanwhile; past this the file system is taken to
// answer wrongly about which file the path names.
constexpr int ReplacedRounds = 100;
// Removing a record copies this much of the file at a time.
constexpr qint64 CopyChunk = qint64(1) << 20;

const QString FileName = QStringLiteral("成績累積データ.dat");
// A new file of a delete, before it is renamed over the score file: "成績累積データ.dat.new-" and six
// characters of mkstemp.
const QString NewFilePrefix = FileName + QStringLiteral(".new-");
const QRegularExpression NewFileName(QRegularExpression::anchoredPattern(
    QRegularExpression::escape(NewFilePrefix) + QStringLiteral("[A-Za-z0-9]{6}")));
// "成績累積データ_20261210-153012.bak", a later one of the same second "成績累積データ_20261210-153012_2.bak".
const QString BackupPrefix = QStringLiteral("成績累積データ_");
const QRegularExpression BackupName(QRegularExpression::anchoredPattern(
    QRegularExpression::escape(BackupPrefix) + QStringLiteral("([0-9]{8}-[0-9]{6})(?:_([0-9]{1,9}))?\\.bak")));

// Where the loader was when something failed; shown in its diagnostic message.
enum LoadStage { StageOpen = 3, StageRead = 5 };

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString ErrorDescription(int err) { return SystemError::Describe(err); }

void Wait(const WaitFunction& wait, int ms)
{
    if (wait)
        wait(ms);
}

// An open descriptor of the score file, closed when it goes out of scope (which also drops any
// lock this process holds on the file).
class Descriptor {
public:
    explicit Descriptor(int fd) : Fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { if (Fd >= 0) ::close(Fd); }
    int Get() const { return Fd; }
    int Release() { return std::exchange(Fd, -1); }
    // Closes now and reports whether the close succeeded (a share may report a failed write here).
    int Close()
    {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int Fd;
};

enum class Access { Read, Write };

[[noreturn]] void CannotWrite(const QString& path, int err)
{
    throw FatalError(QStringLiteral("成績ファイルに書き込めません（%1）。\n%2")
                         .arg(ErrorDescription(err), Native(path)));
}

[[noreturn]] void CannotCreate(const QString& path, int err)
{
    throw FatalError(QStringLiteral("成績ファイルがなく、このフォルダには作れません（%1）。\n%2")
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
int OpenFile(const QString& path, Access access, const QString& stageText, const WaitFunction& wait, Fail fail)
{
    const QByteArray name = QFile::encodeName(path);
    int tries = 0;
    for (;;) {
        int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
        int err = fd < 0 ? errno : 0;
        if (fd < 0 && err == ENOENT) {
            fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            err = fd < 0 ? errno : 0;
            if (err == EEXIST) // another machine made it meanwhile
                continue;
            if (fd >= 0)
                GiveSharedMode(fd, path);
        }
        if (fd < 0 && (err == EACCES || err == EROFS || err == EPERM)) {
            if (access == Access::Write)
                CannotWrite(path, err);
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT && QFileInfo(QFileInfo(path).absolutePath()).isDir())
                CannotCreate(path, err); // the folder is there but takes no new file
            err = fd < 0 ? errno : 0;
        }
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
                ::close(fd);
                NotAFile(path);
            }
            return fd;
        }
        if (err == EINTR)
            continue;
        if (err == EISDIR)
            NotAFile(path);
        if (err == ENOENT) {
            // The data folder is gone, typically a share that dropped out; give it time to return.
            if (++tries >= NotFoundTries)
                throw FatalError(QStringLiteral("ファイルがありません%1 %2 (%3)\n%4")
                                     .arg(stageText, ErrorDescription(err)).arg(err).arg(Native(path)));
            Wait(wait, NotFoundWaitMs);
            continue;
        }
        fail(err);
    }
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// `waited` counts the seconds waited so far, over every round of OpenLocked.
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

// Opens the score file and takes its lock. A delete on another machine may have renamed a new file
// over the path while this one waited for the lock of the old: whatever is written into or read from
// the old file then is lost or out of date. So once the lock is held the path must still name the
// opened file, or it all starts again on the file the path names now.
template <typename Fail>
int OpenLocked(const ScoreFile& owner, Access access, short type, const QString& stageText, Fail fail)
{
    const QString path = owner.Path();
    const QByteArray name = QFile::encodeName(path);
    int waited = 0;
    for (int round = 1;; ++round) {
        Descriptor file(OpenFile(path, access, stageText, owner.WaitFor(), fail));
        LockFile(file.Get(), type, owner, waited, fail);
        struct stat opened {};
        if (::fstat(file.Get(), &opened) != 0)
            fail(errno);
        struct stat named {};
        if (::stat(name.constData(), &named) == 0) {
            if (SameFile(named, opened)) {
                if (waited > 0)
                    owner.TellWaited(0);
                return file.Release();
            }
        } else if (errno != ENOENT) { // gone altogether: the next round creates it
            fail(errno);
        }
        if (round == ReplacedRounds) {
            if (waited > 0)
                owner.TellWaited(0);
            fail(ESTALE);
        }
    }
}

void Unlock(int fd)
{
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_SETLK, &lock);
}

// Reads up to `size` bytes at `offset`; returns the bytes read (less only at the end of the file)
// or -errno.
qint64 ReadAt(int fd, char* buffer, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size_t(size - done), off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -qint64(errno);
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// 0 or errno.
int WriteAt(int fd, const char* data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd, data + done, size_t(size - done), off_t(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += put;
    }
    return 0;
}

// Copies `length` bytes at `from` of one file to `to` of another through `buffer`; 0 or errno. A
// source that ends early (it cannot while the copier holds the lock) fails with EIO.
int CopyBytes(int source, qint64 from, qint64 length, int target, qint64 to, std::vector<char>& buffer)
{
    while (length > 0) {
        const qint64 chunk = std::min<qint64>(length, qint64(buffer.size()));
        const qint64 got = ReadAt(source, buffer.data(), chunk, from);
        if (got < 0)
            return int(-got);
        if (got < chunk)
            return EIO;
        if (const int err = WriteAt(target, buffer.data(), chunk, to))
            return err;
        from += chunk;
        to += chunk;
        length -= chunk;
    }
    return 0;
}

// Whole records in a file of `bytes` bytes, or -1 when there are more than record numbers can count.
qint64 WholeRecords(qint64 bytes)
{
    const qint64 n = bytes / RecordSize;
    return n > std::numeric_limits<qint32>::max() ? -1 : n;
}

qint64 FileSize(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -qint64(errno);
    return qint64(st.st_size);
}

[[noreturn]] void RecordingFailed(const QString& path, int err)
{
    throw FatalError(QStringLiteral("成績ランダムファイル記録%1 (%2)\n%3")
                         .arg(ErrorDescription(err)).arg(err).arg(Native(path)));
}

[[noreturn]] void EditFailed(const QString& path, const QString& what, int err)
{
    throw FatalError(QStringLiteral("成績ファイルの%1に失敗しました: %2 (%3)\n%4")
                         .arg(what, ErrorDescription(err)).arg(err).arg(Native(path)));
}

// `shown`: the record the failed read was meant to fill, as it stood before the read.
[[noreturn]] void LoadFailed(const QString& path, const ScoreRecord& shown, int stage, int err, qint64 recordNumber)
{
    // Put together piece by piece: a chain of arg() would read "%3" after an error number as "%23".
    const QString stageText = QString::number(stage);
    const QString errText = QString::number(err);
    throw FatalError(QStringLiteral("成績ランダムファイル表示") + stageText + errText + ErrorDescription(err) + errText
                     + QStringLiteral("/date") + OleDate::ToDate(shown.Date).toString(QStringLiteral("yyyy/MM/dd"))
                     + QStringLiteral("/i=") + QString::number(recordNumber)
                     + QStringLiteral("/time=") + OleDate::ToTime(shown.TimeOfDay).toString(QStringLiteral("HH:mm:ss"))
                     + QStringLiteral("/name=/Bangou=") + QString::number(shown.Pupil)
                     + QStringLiteral("/level=") + QString::number(shown.Level)
                     + QStringLiteral("/time=") + QString::number(shown.Seconds)
                     + QStringLiteral("line") + stageText + u'\n' + Native(path));
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
    Descriptor file(OpenLocked(owner, Access::Read, F_RDLCK, QString::number(StageOpen),
                               [&fail](int err) { fail(StageOpen, err, 0); }));
    const qint64 size = FileSize(file.Get());
    if (size < 0)
        fail(StageOpen, int(-size), 0);
    const qint64 records = size / RecordSize;
    if (records > mostRecords)
        fail(StageOpen, EFBIG, 0);
    const qint64 first = records - std::clamp<qint64>(wanted, 0, records);
    const qint64 count = records - first;
    if (qint64(buffer.size()) < count * RecordSize)
        buffer.resize(size_t(count * RecordSize));
    const qint64 got = ReadAt(file.Get(), buffer.data(), count * RecordSize, first * RecordSize);
    if (got < 0)
        fail(StageRead, int(-got), first + 1);
    Unlock(file.Get());
    return got / RecordSize; // shorter only if the file shrank meanwhile
}

// Test hook, inert unless ZOME2_TEST_PAUSE_AT_STEP names `step`: then says "paused at <step>" on
// standard output and waits for a line (or the end) on standard input, so that a test can kill a
// delete at that very point, or keep it there, holding the lock, while another process queues up.
// The steps of RemoveRecord, in turn: locked, written, synced, backed-up, renamed, folder-synced.
void PauseForTestAt(const char* step)
{
    if (qgetenv("ZOME2_TEST_PAUSE_AT_STEP") != step)
        return;
    std::printf("paused at %s\n", step);
    std::fflush(stdout);
    for (char c = 0;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if ((got == 1 && c == '\n') || got == 0 || (got < 0 && errno != EINTR))
            return;
    }
}

// A new empty file in `folder` under a name RemoveLeftovers knows; its descriptor or -errno. `name`
// gets its path.
int CreateNewFile(const QString& folder, QByteArray& name)
{
    name = QFile::encodeName(folder + NewFilePrefix) + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

// Gives the new file `fd` the owner and group of the old one where this process may (root, or a
// member of the group); else it stays this process's own. Its permission bits follow the old file's
// in any case (fchmod, after this: a change of owner clears some of them).
void KeepOwner(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) == 0)
        return;
    [[maybe_unused]] const int groupOnly = ::fchown(fd, uid_t(-1), old.st_gid);
}

QStringList NamesLike(const QString& folder, const QString& wildcard)
{
    return QDir(folder).entryList({wildcard}, QDir::Files | QDir::Hidden | QDir::System);
}

// The backups in `folder`, oldest first: by their stamp, then by their number within the second.
QStringList Backups(const QString& folder)
{
    std::vector<std::pair<QString, QString>> found; // order, name
    for (const QString& name : NamesLike(folder, BackupPrefix + QStringLiteral("*.bak"))) {
        const QRegularExpressionMatch m = BackupName.match(name);
        if (m.hasMatch())
            found.emplace_back(m.captured(1) + m.captured(2).rightJustified(9, u'0'), name);
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto& f : found)
        names << f.second;
    return names;
}

// The name of a backup made at `now`: after every one of `backups` (oldest first) in their order,
// even when the clock stood still or went back since the last.
QString NextBackupName(const QStringList& backups, const QDateTime& now)
{
    static const QRegularExpression Stamp(QStringLiteral("^[0-9]{8}-[0-9]{6}$"));
    const QString format = QStringLiteral("yyyyMMdd-HHmmss");
    QString stamp = now.toString(format);
    if (!Stamp.match(stamp).hasMatch()) // a clock gone wrong would give names no listing finds
        stamp = QDateTime::currentDateTime().toString(format);
    int number = 1;
    if (!backups.isEmpty()) {
        const QRegularExpressionMatch last = BackupName.match(backups.last());
        if (stamp <= last.captured(1)) {
            stamp = last.captured(1);
            number = (last.captured(2).isEmpty() ? 1 : last.captured(2).toInt()) + 1;
        }
    }
    return BackupPrefix + stamp + (number > 1 ? QStringLiteral("_%1").arg(number) : QString()) + QStringLiteral(".bak");
}

// Clears what a delete killed part-way left in `folder`: its new file, not yet renamed, and a backup
// that is still a link to the file in use (made just before the rename). Only a process holding the
// lock on the file the path names is ever between making either and its rename, and that is the
// caller now, so neither belongs to a delete still running; and neither holds anything the file
// does not. One that cannot be removed stays, doing no harm.
void RemoveLeftovers(const QString& folder, const struct stat& current)
{
    for (const QString& name : NamesLike(folder, NewFilePrefix + u'*'))
        if (NewFileName.match(name).hasMatch())
            ::unlink(QFile::encodeName(folder + name).constData());
    for (const QString& name : Backups(folder)) {
        const QByteArray backup = QFile::encodeName(folder + name);
        struct stat st {};
        if (::stat(backup.constData(), &st) == 0 && SameFile(st, current))
            ::unlink(backup.constData());
    }
}

// Keeps the file as it is now (`fd`, described by `old`) under a new backup name in `folder`: a hard
// link, or where the folder takes none (a share without links) a copy forced to the disk. Returns
// the backup's path. `fail(backupPath, errno)` must throw.
template <typename Fail>
QString MakeBackup(const QString& path, int fd, const struct stat& old, const QString& folder, const QDateTime& now,
                   std::vector<char>& buffer, Fail fail)
{
    const QByteArray pathName = QFile::encodeName(path);
    QStringList backups = Backups(folder);
    for (;;) {
        const QString name = NextBackupName(backups, now);
        const QString backup = folder + name;
        if (::link(pathName.constData(), QFile::encodeName(backup).constData()) == 0)
            return backup;
        const int err = errno;
        if (err == EEXIST) { // not a file the listing shows (a folder of that name)
            backups << name;
            continue;
        }
        if (err == EINTR)
            continue;
        if (err != EPERM && err != EOPNOTSUPP && err != ENOSYS && err != EMLINK && err != EXDEV)
            fail(backup, err);
        QByteArray copyName;
        Descriptor copy(CreateNewFile(folder, copyName));
        if (copy.Get() < 0)
            fail(backup, -copy.Get());
        int copyErr = CopyBytes(fd, 0, qint64(old.st_size), copy.Get(), 0, buffer);
        if (copyErr == 0 && ::fchmod(copy.Get(), old.st_mode & 07777) != 0)
            copyErr = errno;
        if (copyErr == 0 && ::fsync(copy.Get()) != 0)
            copyErr = errno;
        if (copyErr == 0)
            copyErr = copy.Close();
        if (copyErr == 0 && ::rename(copyName.constData(), QFile::encodeName(backup).constData()) != 0)
            copyErr = errno;
        if (copyErr != 0) {
            ::unlink(copyName.constData());
            fail(backup, copyErr);
        }
        return backup;
    }
}

// Forces the folder's entries (a rename, a backup) to the disk; 0 or errno. A folder that cannot be
// synced at all (EINVAL, on some network file systems) counts as synced: there is nothing more to do.
int SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int err = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return err;
}

// Keeps the newest KeptBackups backups. One that cannot be removed stays, doing no harm.
void PruneBackups(const QString& folder)
{
    const QStringList backups = Backups(folder);
    for (qsizetype i = 0; i + ScoreFile::KeptBackups < backups.size(); ++i)
        ::unlink(QFile::encodeName(folder + backups[i]).constData());
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

QString ScoreFile::Path() const { return DataFolder + FileName; }

QStringList ScoreFile::BackupNames() const { return Backups(DataFolder); }

void ScoreFile::OpenScoreFile() const
{
    const QString path = Path();
    Descriptor file(OpenFile(path, Access::Read, QString(), Wait,
                             [&path](int err) { EditFailed(path, QStringLiteral("作成"), err); }));
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
    r.Text2 = QByteArray(5, ' ');
    r.Text3 = QByteArray("0    ");
    r.Text4 = QByteArray(5, ' ');
    return r;
}

void ScoreFile::AppendScoreRecord(const ScoreRecord& record) const
{
    const QString path = Path();
    const auto RecordingFailed = [&path](int err) { ::RecordingFailed(path, err); };
    const QByteArray bytes = record.ToBytes();
    Descriptor file(OpenLocked(*this, Access::Write, F_WRLCK, QString(), RecordingFailed));
    // Positioned under the lock: right after the last whole record, over any partial tail.
    const qint64 size = FileSize(file.Get());
    if (size < 0)
        RecordingFailed(int(-size));
    const qint64 records = WholeRecords(size);
    if (records < 0 || records >= std::numeric_limits<qint32>::max())
        RecordingFailed(EFBIG);
    if (const int err = WriteAt(file.Get(), bytes.constData(), RecordSize, records * RecordSize))
        RecordingFailed(err);
    Unlock(file.Get());
    if (const int err = file.Close())
        RecordingFailed(err);
}

void ScoreFile::LoadScoreRecords(LoadedScores& scores) const
{
    const QString path = Path();
    std::vector<char>& buffer = scores.ReadBuffer;
    const qint64 count = ReadLastWhole(*this, LoadedScores::Window, std::numeric_limits<qint32>::max(), buffer,
                                       [&path, &scores](int stage, int err, qint64 recordNumber) {
                                           ::LoadFailed(path, FirstSlot(scores), stage, err, recordNumber);
                                       });

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
    const char* p = buffer.data();
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
    Descriptor file(OpenLocked(*this, Access::Read, F_RDLCK, QString(), fail));
    const qint64 size = FileSize(file.Get());
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
    Descriptor file(OpenLocked(*this, Access::Read, F_RDLCK, QString(), fail));
    char bytes[RecordSize];
    const qint64 got = n >= 1 ? ReadAt(file.Get(), bytes, RecordSize, qint64(n - 1) * RecordSize) : 0;
    if (got < 0)
        fail(int(-got));
    if (got < RecordSize)
        throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(path)));
    Unlock(file.Get());
    return ScoreRecord::FromBytes(bytes);
}

void ScoreFile::WriteRecord(qint32 n, const ScoreRecord& record) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("書き込み"), err); };
    const QByteArray bytes = record.ToBytes();
    Descriptor file(OpenLocked(*this, Access::Write, F_WRLCK, QString(), fail));
    const qint64 size = FileSize(file.Get());
    if (size < 0)
        fail(int(-size));
    if (n < 1 || n > size / RecordSize)
        throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(path)));
    if (const int err = WriteAt(file.Get(), bytes.constData(), RecordSize, qint64(n - 1) * RecordSize))
        fail(err);
    if (::fsync(file.Get()) != 0)
        fail(errno);
    Unlock(file.Get());
    if (const int err = file.Close())
        fail(err);
}

void ScoreFile::RemoveRecord(qint32 n) const
{
    const QString path = Path();
    const QByteArray pathName = QFile::encodeName(path);
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("記録の削除"), err); };
    // Held on the old file until the new one is in place: no machine appends to the old one meanwhile,
    // and those waiting for it go on to the new one (OpenLocked).
    Descriptor file(OpenLocked(*this, Access::Write, F_WRLCK, QString(), fail));
    PauseForTestAt("locked");
    struct stat old {};
    if (::fstat(file.Get(), &old) != 0)
        fail(errno);
    const qint64 records = qint64(old.st_size) / RecordSize;
    if (n < 1 || n > records)
        throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(path)));
    RemoveLeftovers(DataFolder, old);

    const qint64 before = qint64(n - 1) * RecordSize; // the records before n
    const qint64 after = (records - n) * RecordSize;   // and those after it
    std::vector<char> buffer(size_t(std::clamp<qint64>(qint64(old.st_size), 1, CopyChunk)));
    QByteArray newName;
    QString backup;
    try {
        const auto writeFailed = [&path](int err) {
            EditFailed(path, QStringLiteral("記録の削除（新しいファイルの書き込み）"), err);
        };
        Descriptor replacement(CreateNewFile(DataFolder, newName));
        if (replacement.Get() < 0) {
            newName.clear();
            writeFailed(-replacement.Get());
        }
        KeepOwner(replacement.Get(), old);
        if (::fchmod(replacement.Get(), old.st_mode & 07777) != 0)
            writeFailed(errno);
        if (const int err = CopyBytes(file.Get(), 0, before, replacement.Get(), 0, buffer))
            writeFailed(err);
        if (const int err = CopyBytes(file.Get(), before + RecordSize, after, replacement.Get(), before, buffer))
            writeFailed(err);
        PauseForTestAt("written");
        if (::fsync(replacement.Get()) != 0)
            writeFailed(errno);
        if (const int err = replacement.Close())
            writeFailed(err);
        PauseForTestAt("synced");

        backup = MakeBackup(path, file.Get(), old, DataFolder,
                            BackupClock ? BackupClock->Now() : QDateTime::currentDateTime(), buffer,
                            [](const QString& backupPath, int err) {
                                EditFailed(backupPath, QStringLiteral("記録の削除（控えの作成）"), err);
                            });
        PauseForTestAt("backed-up");
        if (::rename(newName.constData(), pathName.constData()) != 0)
            EditFailed(path, QStringLiteral("記録の削除（新しいファイルへの置き換え）"), errno);
    } catch (...) {
        if (!newName.isEmpty())
            ::unlink(newName.constData());
        if (!backup.isEmpty()) // still a link to (or a copy of) the file in place
            ::unlink(QFile::encodeName(backup).constData());
        throw;
    }
    PauseForTestAt("renamed");
    if (const int err = SyncFolder(DataFolder))
        EditFailed(QFileInfo(path).absolutePath(), QStringLiteral("記録の削除（フォルダへの書き込みの確定）"), err);
    PauseForTestAt("folder-synced");
    PruneBackups(DataFolder);
    Unlock(file.Get());
}
