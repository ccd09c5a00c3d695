#include "base/TextFile.h"
#include "base/Cp932.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString SystemReason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }
} // namespace

TextFile::Contents TextFile::Read(const QString& path)
{
    Contents c;
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a pipe returns at once; it is refused below.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        c.What = (err == ENOENT || err == ENOTDIR) ? Status::Missing : Status::Unreadable;
        c.Reason = SystemReason(err);
        return c;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        c.What = Status::NotAFile;
        return c;
    }
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            const int err = errno;
            ::close(fd);
            c.What = Status::Unreadable;
            c.Reason = SystemReason(err);
            return c;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    ::close(fd);
    const qsizetype end = bytes.indexOf('\x1a');
    if (end >= 0)
        bytes.truncate(end);
    c.What = Status::Read;
    c.Text = Cp932::Decode(bytes);
    return c;
}

QString TextFile::Problem(const Contents& contents)
{
    switch (contents.What) {
    case Status::Read:
        return QString();
    case Status::Missing:
        return QStringLiteral("が見つかりません");
    case Status::NotAFile:
        return QStringLiteral("は普通のファイルではありません");
    case Status::Unreadable:
        return QStringLiteral("を読めません（%1）").arg(contents.Reason);
    }
    return QString();
}
