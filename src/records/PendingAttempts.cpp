#include "records/PendingAttempts.h"
#include "base/FatalError.h"
#include "base/FileReplacement.h"
#include "base/Limits.h"
#include "base/PosixFile.h"
#include "base/SystemError.h"
#include "records/AppendNote.h"
#include "records/BackupComparison.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 R = ScoreRecordCodec::Size;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// What no attempt can be: a record of the queue that is not one is damage, not an attempt.
bool Plausible(const ScoreRecord& r)
{
    return r.Date > 0 && r.TimeOfDay >= 0 && r.TimeOfDay < 1 && r.Pupil >= 1 && r.Pupil <= Limits::MaxPupil
        && Limits::IsLevel(r.Level) && r.Seconds >= 0;
}

// The queue file open with its fcntl write lock held: the file the name stands for once the lock is
// had (a window that replaced it meanwhile leaves the lock on a file no longer named). Not open
// when there is no queue and `create` is false.
class LockedQueue {
public:
    LockedQueue(const QString& path, bool create) : Path(path)
    {
        const QByteArray name = QFile::encodeName(path);
        for (;;) {
            File = PosixFile();
            Error = File.Open(path, O_RDWR);
            if (Error == ENOENT && create) {
                Error = File.Open(path, O_RDWR | O_CREAT | O_EXCL, 0600);
                Created = Error == 0;
                if (Error == EEXIST)
                    continue;
            }
            if (Error != 0)
                return;
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            while (::fcntl(File.Get(), F_SETLKW, &lock) != 0) {
                if (errno != EINTR) {
                    Error = errno;
                    File = PosixFile();
                    return;
                }
            }
            struct stat held {};
            struct stat named {};
            if (::fstat(File.Get(), &held) != 0) {
                Error = errno;
                File = PosixFile();
                return;
            }
            if (::stat(name.constData(), &named) == 0) {
                if (held.st_ino == named.st_ino && held.st_dev == named.st_dev)
                    return;
            } else if (errno != ENOENT || !create) {
                Error = errno;
                File = PosixFile();
                return;
            }
            // Replaced or removed by another window while this one waited: the file named now.
        }
    }
    bool IsOpen() const { return File.IsOpen(); }
    int Failure() const { return Error; }
    bool WasCreated() const { return Created; }
    const PosixFile& Get() const { return File; }

private:
    QString Path;
    PosixFile File;
    int Error = 0;
    bool Created = false;
};

// The whole plausible records of `bytes`; what is left over goes to `damaged`.
QByteArray GoodRecords(const QByteArray& bytes, QByteArray* damaged = nullptr)
{
    QByteArray good;
    const qint64 whole = bytes.size() / R * R;
    for (qint64 at = 0; at < whole; at += R) {
        const QByteArray r = bytes.mid(at, R);
        if (Plausible(ScoreRecordCodec::Decode(r.constData())))
            good += r;
        else if (damaged)
            *damaged += r;
    }
    if (damaged)
        *damaged += bytes.mid(whole);
    return good;
}

// Puts `bytes` in place of `path` whole, readable by this account only. 0 or errno.
int ReplaceWhole(const QString& path, const QByteArray& bytes)
{
    return FileReplacement::Replace(path, bytes, {.Mode = 0600}).Error;
}

// Removes `path` and makes that durable. 0 or errno; a file already gone is no error.
int RemoveDurably(const QString& folder, const QString& path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return errno == ENOENT ? 0 : errno;
    return PosixFile::SyncFolder(folder);
}

// Makes `folder` and every folder above it that is missing, syncing the parent of each one made.
bool MakeFolders(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent == clean || !MakeFolders(parent))
        return false;
    if (::mkdir(QFile::encodeName(clean).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    PosixFile::SyncFolder(parent);
    return true;
}
} // namespace

PendingAttempts::PendingAttempts(const QString& queueFolder, const QString& dataFolder) : Folder(queueFolder)
{
    // One queue a data folder: a PC pointed at another share does not write one school's attempts
    // into another's file.
    const QByteArray key = QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    File = Folder + QStringLiteral("/未記録の成績_%1.dat").arg(QString::fromLatin1(key));
}

QString PendingAttempts::Path() const { return File; }

QString PendingAttempts::NotePath() const { return File + QStringLiteral(".flushing"); }

std::vector<ScoreRecord> PendingAttempts::Load(QString* problem, const QDateTime& now) const
{
    std::vector<ScoreRecord> records;
    const LockedQueue queue(File, false);
    if (!queue.IsOpen())
        return records; // no queue
    QByteArray bytes;
    const int readErr = queue.Get().ReadRest(bytes);
    QByteArray damaged;
    const QByteArray good = GoodRecords(bytes, &damaged);
    for (qint64 at = 0; at < good.size(); at += R)
        records.push_back(ScoreRecordCodec::Decode(good.constData() + at));
    if (readErr != 0) {
        if (problem)
            *problem = QStringLiteral("このパソコンに一時保存した成績のファイルを読めません（%1）。\n%2")
                           .arg(SystemError::Describe(readErr), Native(File));
        return records;
    }
    if (damaged.isEmpty())
        return records;
    // Only what is damaged goes aside; the attempts before and after it stay queued.
    const QString aside = Folder + QStringLiteral("/未記録の成績_壊れたもの_%1.dat").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QByteArray kept;
    PosixFile::ReadFile(aside, kept); // a second damage in the same second joins the first
    int err = ReplaceWhole(aside, kept + damaged);
    if (err == 0)
        err = good.isEmpty() ? RemoveDurably(Folder, File) : ReplaceWhole(File, good);
    if (problem)
        *problem = err == 0
            ? QStringLiteral("このパソコンに一時保存した成績のファイルの一部（%1バイト）が壊れていたため、その部分だけを別の名前で残しました。"
                             "ほかの%2件の成績は共有フォルダに書き込みます。\n%3\n→ %4")
                  .arg(damaged.size()).arg(records.size()).arg(Native(File), Native(aside))
            : QStringLiteral("このパソコンに一時保存した成績のファイルの一部が壊れていて、別の名前にも残せません（%1）。\n%2")
                  .arg(SystemError::Describe(err), Native(File));
    return records;
}

void PendingAttempts::Add(const ScoreRecord& record) const
{
    const auto fail = [this](int err) {
        throw FatalError(QStringLiteral("このパソコンにも成績を一時保存できません（%1）。\n%2").arg(SystemError::Describe(err), Native(File)));
    };
    if (!MakeFolders(Folder))
        fail(errno ? errno : EACCES);
    const LockedQueue queue(File, true);
    if (!queue.IsOpen())
        fail(queue.Failure());
    const PosixFile& file = queue.Get();
    const qint64 size = file.Size();
    if (size < 0)
        fail(int(-size));
    // Over a torn record at the end: what a power cut tore was never said to be saved.
    const qint64 at = size / R * R;
    int err = file.WriteAt(ScoreRecordCodec::Encode(record), at);
    if (err == 0)
        err = file.Sync();
    if (err == 0 && queue.WasCreated())
        err = PosixFile::SyncFolder(Folder);
    if (err != 0) {
        // Nothing half-written stays: the queue is as it was.
        [[maybe_unused]] const int undone = file.Truncate(size);
        fail(err);
    }
}

int PendingAttempts::Flush(const ScoreFile& scoreFile, const ScoreRecord* next) const
{
    ScoreFile::QueueSteps steps;
    steps.Gather = [this](QByteArray& queued, std::optional<AppendNote>& cutOff) {
        if (const LockedQueue queue(File, false); queue.IsOpen()) {
            QByteArray bytes;
            if (queue.Get().ReadRest(bytes) == 0)
                queued = GoodRecords(bytes);
        }
        QByteArray note;
        if (PosixFile::ReadFile(NotePath(), note) == 0)
            cutOff = AppendNote::Decode(note);
    };
    steps.Note = [this](const AppendNote& note) {
        if (!MakeFolders(Folder))
            throw FatalError(Native(Folder));
        if (const int err = ReplaceWhole(NotePath(), note.Encode()))
            throw FatalError(SystemError::Describe(err));
    };
    steps.Done = [this](const QByteArray& queued) {
        int err = 0;
        if (!queued.isEmpty()) {
            const LockedQueue queue(File, false);
            QByteArray bytes;
            if (queue.IsOpen() && (err = queue.Get().ReadRest(bytes)) == 0) {
                // What another window of this account added meanwhile stays.
                const QByteArray rest = BackupComparison::Without(GoodRecords(bytes), queued);
                if (rest.isEmpty())
                    err = RemoveDurably(Folder, File);
                else if (rest.size() != bytes.size())
                    err = ReplaceWhole(File, rest);
            }
        }
        // While the queue still holds them, the note tells the next flush that they are written.
        if (err == 0)
            RemoveDurably(Folder, NotePath());
    };
    QByteArray note;
    const bool noted = PosixFile::ReadFile(NotePath(), note) == 0;
    if (!next && !noted && !QFileInfo::exists(File))
        return 0;
    return scoreFile.AppendOnce(steps, next);
}
