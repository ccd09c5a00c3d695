#include "records/ScoreFileProbe.h"
#include "base/Limits.h"
#include "records/ScoreRecordCodec.h"
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

ScoreFileProbe::WriteCheck ScoreFileProbe::ProbeWriting(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    do
        fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        if (err != ENOENT)
            return {Writing::NoAccess, err};
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        if (::access(folder.constData(), W_OK | X_OK) == 0)
            return {Writing::Missing, 0};
        return {Writing::NoAccess, errno};
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    int result = -1;
    do
        result = ::fcntl(fd, F_SETLK, &lock);
    while (result != 0 && errno == EINTR);
    const int err = result == 0 ? 0 : errno;
    lock.l_type = F_UNLCK;
    ::fcntl(fd, F_SETLK, &lock);
    ::close(fd);
    if (result == 0)
        return {Writing::Writable, 0};
    if (err == EACCES || err == EAGAIN)
        return {Writing::Busy, 0};
    return {Writing::NoLocks, err};
}

ScoreFileProbe::Contents ScoreFileProbe::Count(const QString& path)
{
    Contents c;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        c.Error = errno;
        return c;
    }
    constexpr qint64 Chunk = qint64(ScoreRecordCodec::Size) * 24000; // about a megabyte, whole records
    std::vector<char> buffer(Chunk);
    qint64 held = 0; // bytes of a record cut by the end of the last read
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + held, size_t(Chunk - held));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            c.Error = errno;
            break;
        }
        if (got == 0)
            break;
        const qint64 bytes = held + got;
        const qint64 whole = bytes / ScoreRecordCodec::Size;
        for (qint64 i = 0; i < whole; ++i) {
            const char* p = buffer.data() + i * ScoreRecordCodec::Size;
            if (!Limits::IsPupilSlot(ScoreRecordCodec::Pupil(p)) || !Limits::IsLevelSlot(ScoreRecordCodec::Level(p)))
                ++c.Damaged;
        }
        c.Records += whole;
        held = bytes - whole * ScoreRecordCodec::Size;
        std::copy(buffer.data() + whole * ScoreRecordCodec::Size, buffer.data() + bytes, buffer.data());
    }
    c.TrailingBytes = held;
    ::close(fd);
    return c;
}
