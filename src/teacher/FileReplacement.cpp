#include "teacher/FileReplacement.h"
#include "base/FatalError.h"
#include "base/PosixFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Reason(int err)
{
    switch (err) {
    case ENOENT: return QStringLiteral("フォルダが見つかりません");
    case EACCES:
    case EPERM: return QStringLiteral("書き込みが許されていません");
    case EROFS: return QStringLiteral("書き込みできない場所です");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空き領域が足りません");
    case EIO: return QStringLiteral("読み書きに失敗しました");
    case ESTALE: return QStringLiteral("ネットワーク上のフォルダが使えなくなりました");
    default: return QString::fromLocal8Bit(std::strerror(err));
    }
}

[[noreturn]] void Fail(const QString& path, int err)
{
    throw FatalError(QStringLiteral("ファイルを記録できませんでした（%1）。元のファイルはそのままです。\n%2")
                         .arg(Reason(err), QDir::toNativeSeparators(path)));
}

// 0 or errno.
int WriteAll(int fd, const QByteArray& bytes) { return PosixFile::Borrowed(fd).WriteAt(bytes, 0); }

} // namespace

void FileReplacement::Replace(const QString& path, const QByteArray& contents)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray temporary = name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        Fail(path, errno);

    const auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(temporary.constData());
        Fail(path, err);
    };
    // The temporary file is made private; the file it replaces decides who may read and write.
    struct stat old {};
    if (::stat(name.constData(), &old) == 0) {
        // Ownership follows where this process may give it away; the mode always does.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        }
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (const int err = WriteAll(fd, contents))
        abandon(err);
    if (::fsync(fd) != 0)
        abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        Fail(path, err);
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        Fail(path, err);
    }
    // The new name itself must reach the disk too.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        const bool synced = ::fsync(dir) == 0 || errno == EINVAL || errno == ENOTSUP;
        const int err = errno;
        ::close(dir);
        if (!synced)
            throw FatalError(QStringLiteral("ファイルを記録しましたが、ディスクに書き込めたか確かめられません（%1）。\n%2")
                                 .arg(Reason(err), QDir::toNativeSeparators(path)));
    }
}
