#include "base/PosixFile.h"
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void PosixFile::Reset()
{
    if (Fd >= 0 && Owned)
        ::close(Fd);
    Fd = -1;
    Owned = true;
}

int PosixFile::Open(const QString& path, int flags, int mode)
{
    Reset();
    const QByteArray name = QFile::encodeName(path);
    do
        Fd = ::open(name.constData(), flags | O_CLOEXEC, mode);
    while (Fd < 0 && errno == EINTR);
    return Fd >= 0 ? 0 : errno;
}

int PosixFile::Close()
{
    const int fd = std::exchange(Fd, -1);
    if (!std::exchange(Owned, true))
        return 0;
    // Interrupted, the descriptor is closed all the same and what was written stands as it stands:
    // the writers that must know sync before they close.
    return fd < 0 || ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

qint64 PosixFile::ReadAt(char* buffer, qint64 size, qint64 offset) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(Fd, buffer + done, size_t(size - done), off_t(offset + done));
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

int PosixFile::WriteAt(const char* data, qint64 size, qint64 offset) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(Fd, data + done, size_t(size - done), off_t(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += put;
    }
    return 0;
}

int PosixFile::ReadRest(QByteArray& into, qint64 offset) const
{
    const qint64 size = Size();
    if (size < 0)
        return int(-size);
    into.resize(qsizetype(std::max<qint64>(0, size - offset)));
    const qint64 got = ReadAt(into.data(), into.size(), offset);
    if (got < 0)
        return int(-got);
    into.truncate(qsizetype(got));
    return 0;
}

qint64 PosixFile::Size() const
{
    struct stat st {};
    if (::fstat(Fd, &st) != 0)
        return -qint64(errno);
    return qint64(st.st_size);
}

int PosixFile::Truncate(qint64 size) const
{
    int result = 0;
    do
        result = ::ftruncate(Fd, off_t(size));
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

int PosixFile::Sync() const
{
    while (::fsync(Fd) != 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

int PosixFile::ReadFile(const QString& path, QByteArray& into)
{
    PosixFile file;
    if (const int err = file.Open(path, O_RDONLY))
        return err;
    return file.ReadRest(into);
}

int PosixFile::SyncFolder(const QString& folder)
{
    PosixFile dir;
    if (const int err = dir.Open(folder, O_RDONLY | O_DIRECTORY))
        return err;
    const int err = dir.Sync();
    return err == EINVAL ? 0 : err;
}
