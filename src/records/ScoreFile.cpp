#include "records/ScoreFile.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "base/Limits.h"
#include "base/OleDate.h"
#include "records/LoadedScores.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int RecordSize = ScoreRecord::Size;
constexpr int NotFoundTries = 4;
constexpr int NotFoundWaitMs = 5000;
constexpr int LockWaitMs = 1000;
// The school best counts pupils 1–1000 only.
constexpr int SchoolBestLastPupil = 1000;

// Where the loader was when something failed; shown in its diagnostic message.
enum LoadStage { StageOpen = 3, StageRead = 5 };

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString ErrorDescription(int err)
{
    switch (err) {
    case ENOENT: return QStringLiteral("ファイルまたはフォルダが見つかりません");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが拒否されました");
    case EROFS: return QStringLiteral("書き込みできない場所です");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空き領域が足りません");
    case EIO: return QStringLiteral("読み書きに失敗しました");
    case ENOLCK: return QStringLiteral("ファイルをロックできません");
    case ESTALE: return QStringLiteral("ネットワーク上のファイルが使えなくなりました");
    case EFBIG: return QStringLiteral("ファイルが大きすぎます");
    case EISDIR: return QStringLiteral("フォルダです");
    default: return QStringLiteral("エラーが起きました（%1）").arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

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

// Opens the score file, creating it empty when it is missing. Readers fall back to reading only (a
// read-only share); a writer that cannot write is told so at once, naming the file. `fail` builds
// the message for any other error; it must throw.
template <typename Fail>
int OpenFile(const QString& path, Access access, const QString& stageText, const WaitFunction& wait, Fail fail)
{
    const QByteArray name = QFile::encodeName(path);
    int tries = 0;
    for (;;) {
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        int err = fd < 0 ? errno : 0;
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

template <typename Fail>
void LockFile(int fd, short type, const ScoreFile& owner, Fail fail)
{
    int waited = 0; // seconds
    for (;;) {
        struct flock lock {};
        lock.l_type = type;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 0; // the whole file, however far it grows
        if (::fcntl(fd, F_SETLK, &lock) == 0) {
            if (waited > 0)
                owner.TellWaited(0);
            return;
        }
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
    const QString path = owner.Path();
    Descriptor file(OpenFile(path, Access::Read, QString::number(StageOpen), owner.WaitFor(),
                             [&fail](int err) { fail(StageOpen, err, 0); }));
    LockFile(file.Get(), F_RDLCK, owner, [&fail](int err) { fail(StageOpen, err, 0); });
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

QString ScoreFile::Path() const { return DataFolder + QStringLiteral("成績累積データ.dat"); }

QString ScoreFile::TempPath() const { return DataFolder + QStringLiteral("成績累積データtemp.dat"); }

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
    Descriptor file(OpenFile(path, Access::Write, QString(), Wait, RecordingFailed));
    LockFile(file.Get(), F_WRLCK, *this, RecordingFailed);
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

std::vector<ScoreRecord> ScoreFile::ReadLastRecords(qint64 count) const
{
    const QString path = Path();
    std::vector<char> buffer;
    const qint64 got = ReadLastWhole(*this, count, std::numeric_limits<qint64>::max(), buffer,
                                     [&path](int stage, int err, qint64 recordNumber) {
                                         ::LoadFailed(path, ScoreRecord(), stage, err, recordNumber);
                                     });
    std::vector<ScoreRecord> records;
    records.reserve(size_t(got));
    for (qint64 i = 0; i < got; ++i)
        records.push_back(ScoreRecord::FromBytes(buffer.data() + i * RecordSize));
    return records;
}

qint32 ScoreFile::RecordCount() const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    Descriptor file(OpenFile(path, Access::Read, QString(), Wait, fail));
    const qint64 size = FileSize(file.Get());
    if (size < 0)
        fail(int(-size));
    const qint64 records = WholeRecords(size);
    if (records < 0)
        fail(EFBIG);
    return qint32(records);
}

ScoreRecord ScoreFile::ReadRecord(qint32 n) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("読み込み"), err); };
    Descriptor file(OpenFile(path, Access::Read, QString(), Wait, fail));
    LockFile(file.Get(), F_RDLCK, *this, fail);
    char bytes[RecordSize];
    const qint64 got = n >= 1 ? ReadAt(file.Get(), bytes, RecordSize, qint64(n - 1) * RecordSize) : 0;
    if (got < 0)
        fail(int(-got));
    if (got < RecordSize)
        throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(Path())));
    Unlock(file.Get());
    return ScoreRecord::FromBytes(bytes);
}

void ScoreFile::WriteRecord(qint32 n, const ScoreRecord& record) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("書き込み"), err); };
    const QByteArray bytes = record.ToBytes();
    Descriptor file(OpenFile(path, Access::Write, QString(), Wait, fail));
    LockFile(file.Get(), F_WRLCK, *this, fail);
    const qint64 size = FileSize(file.Get());
    if (size < 0)
        fail(int(-size));
    if (n < 1 || n > size / RecordSize)
        throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(Path())));
    if (const int err = WriteAt(file.Get(), bytes.constData(), RecordSize, qint64(n - 1) * RecordSize))
        fail(err);
    Unlock(file.Get());
    if (const int err = file.Close())
        fail(err);
}

void ScoreFile::RemoveRecord(qint32 n) const
{
    const QString path = Path();
    const auto fail = [&path](int err) { EditFailed(path, QStringLiteral("記録の削除"), err); };
    Descriptor file(OpenFile(path, Access::Write, QString(), Wait, fail));
    LockFile(file.Get(), F_WRLCK, *this, fail);
    const qint64 size = FileSize(file.Get());
    if (size < 0)
        fail(int(-size));
    const qint64 records = size / RecordSize;
    if (n < 1 || n > records)
        throw FatalError(QStringLiteral("成績ファイルに%1番の記録がありません。\n%2").arg(n).arg(Native(Path())));
    QByteArray all(records * RecordSize, Qt::Uninitialized);
    const qint64 got = ReadAt(file.Get(), all.data(), all.size(), 0);
    if (got < 0)
        fail(int(-got));
    if (got != all.size())
        fail(EIO);

    // The whole file is copied aside first, so that a failure half-way through loses nothing.
    QFile copy(TempPath());
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate) || copy.write(all) != all.size() || !copy.flush()
        || ::fsync(copy.handle()) != 0)
        EditFailed(path, QStringLiteral("控えの作成"), EIO);
    copy.close();

    // Rewritten in place under the lock, so that a machine waiting to append keeps writing into the
    // same file.
    const qint64 from = qint64(n) * RecordSize;
    if (const int err = WriteAt(file.Get(), all.constData() + from, all.size() - from, from - RecordSize))
        fail(err);
    if (::ftruncate(file.Get(), off_t(all.size() - RecordSize)) != 0 || ::fsync(file.Get()) != 0)
        fail(errno);
    Unlock(file.Get());
    if (const int err = file.Close())
        fail(err);
    QFile::remove(TempPath());
}
