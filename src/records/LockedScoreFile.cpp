#include "records/LockedScoreFile.h"
#include "base/FatalError.h"
#include "base/SystemError.h"
#include "records/ScoreBackups.h"
#include "records/ScoreFile.h"
#include "records/ScoreRewrite.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int NotFoundWaitMs = 5000;
constexpr int LockWaitMs = 1000;
// Passing copies older than this are taken for the remains of a rewrite that was killed.
constexpr int StaleAfterSeconds = 300;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString ErrorDescription(int err) { return SystemError::Describe(err); }

void Wait(const WaitFunction& wait, int ms)
{
    if (wait)
        wait(ms);
}

void TellWaited(const LockedScoreFile::Patience& patience, int seconds)
{
    if (patience.Notice)
        patience.Notice(seconds);
}

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

// `waited` counts the seconds waited so far.
void Lock(int fd, short type, const QString& path, const LockedScoreFile::Patience& patience, int& waited,
          const LockedScoreFile::Failure& fail)
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
            if (patience.GiveUpSeconds > 0 && waited >= patience.GiveUpSeconds) {
                TellWaited(patience, 0);
                throw FatalError(QStringLiteral("ほかのパソコンが成績ファイルを使ったままです。%1秒待ちましたが空きませんでした。\n%2")
                                     .arg(waited)
                                     .arg(Native(path)));
            }
            Wait(patience.Wait, LockWaitMs);
            waited += LockWaitMs / 1000;
            TellWaited(patience, waited);
            continue;
        }
        fail(err);
    }
}

} // namespace

PosixFile LockedScoreFile::Open(const QString& folder, const QString& path, const Patience& patience, Access access,
                                const QString& stageText, const Failure& fail)
{
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
                PosixFile::SyncFolder(folder);
            }
        }
        // Readers fall back to reading only (a read-only share); a writer that cannot write is told
        // so at once, naming the file.
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
            if (++tries >= patience.NotFoundTries)
                throw ScoreFile::Unreachable(QStringLiteral("ファイルがありません%1 %2 (%3)\n%4")
                                                 .arg(stageText, ErrorDescription(err)).arg(err).arg(Native(path)));
            Wait(patience.Wait, NotFoundWaitMs);
            continue;
        }
        fail(err);
    }
}

LockedScoreFile::LockedScoreFile(const QString& folder, const QString& path, const Patience& patience, Access access,
                                 const QString& stageText, const Failure& fail)
    : Handle(Open(folder, path, patience, access, stageText, fail))
{
    const short type = access == Access::Write ? F_WRLCK : F_RDLCK;
    int waited = 0;
    Lock(Handle.Get(), type, path, patience, waited, fail);
    const ScoreRewrite rewrite(folder, path, Handle.Get());
    if (rewrite.JournalThere()) {
        if (type != F_WRLCK) {
            // Let go first: two readers that both wanted the write lock would wait for each other.
            Unlock();
            Lock(Handle.Get(), F_WRLCK, path, patience, waited, [&path](int err) {
                throw ScoreFile::Unreachable(
                    QStringLiteral("成績ファイルの書き換えが途中で止まっていますが、このアカウントでは続きができません（%1）。\n%2")
                        .arg(ErrorDescription(err == EBADF ? EACCES : err), Native(path)));
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
            Lock(Handle.Get(), type, path, patience, waited, fail); // trades the write lock for a read lock at once
    } else {
        // What a rewrite killed before its journal left: the content a restore was to take, copies
        // under passing names as large as the file. No rewrite runs while this lock is held; on a
        // share that does not carry the locks one might, so only passing copies a few minutes old go.
        ScoreBackups(folder).RemoveUnfinished(StaleAfterSeconds);
    }
    if (waited > 0)
        TellWaited(patience, 0);
}

void LockedScoreFile::Unlock() const
{
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(Handle.Get(), F_SETLK, &lock);
}
