#include "base/FileReplacement.h"
#include "base/PosixFile.h"
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Result = FileReplacement::Result;
using Step = FileReplacement::Step;

// The old file's owner and permission bits, as far as this process may give them away; a file
// that is new takes what a plain create would give it.
void TakeOldModes(int fd, const QByteArray& name)
{
    struct stat old {};
    if (::stat(name.constData(), &old) == 0) {
        [[maybe_unused]] const int owner = ::fchown(fd, old.st_uid, old.st_gid);
        [[maybe_unused]] const int mode = ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        [[maybe_unused]] const int mode = ::fchmod(fd, 0666 & ~mask);
    }
}

// rename(2), again when a signal cut it short.
int Rename(const QByteArray& from, const QByteArray& to)
{
    while (::rename(from.constData(), to.constData()) != 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

} // namespace

Result FileReplacement::WriteBeside(const QString& path, const QByteArray& contents, const Options& options,
                                    QByteArray& passing)
{
    const QByteArray name = QFile::encodeName(path);
    passing = name + options.PassingMark + "XXXXXX";
    PosixFile file(::mkostemp(passing.data(), O_CLOEXEC));
    if (!file.IsOpen())
        return {errno, Step::Create};
    const auto abandon = [&](int err, Step step) {
        file.Close();
        ::unlink(passing.constData());
        return Result{err, step};
    };
    // mkstemp makes the file private; the caller or the old file decides who may read and write it.
    if (options.Mode) {
        if (::fchmod(file.Get(), *options.Mode) != 0)
            return abandon(errno, Step::Mode);
    } else {
        TakeOldModes(file.Get(), name);
    }
    if (const int err = file.WriteAt(contents, 0))
        return abandon(err, Step::Write);
    if (const int err = file.Sync())
        return abandon(err, Step::Sync);
    if (const int err = file.Close()) {
        ::unlink(passing.constData());
        return {err, Step::Close};
    }
    return {};
}

Result FileReplacement::Replace(const QString& path, const QByteArray& contents, const Options& options)
{
    QByteArray passing;
    if (const Result written = WriteBeside(path, contents, options, passing); !written.Done())
        return written;
    if (const int err = Rename(passing, QFile::encodeName(path))) {
        ::unlink(passing.constData());
        return {err, Step::Rename};
    }
    if (const int err = PosixFile::SyncFolder(QFileInfo(path).absolutePath()))
        return {err, Step::SyncFolder};
    return {};
}

Result FileReplacement::Replace(const QString& path, const QByteArray& contents)
{
    return Replace(path, contents, Options());
}
