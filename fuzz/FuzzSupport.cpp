#include "FuzzSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

const QString& WorkFolder()
{
    // Every run rewrites a file: on a disk each truncation costs more than the run itself.
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString parent = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    static QTemporaryDir dir(parent + QStringLiteral("/zome2-fuzz-XXXXXX"));
    static const QString path = [] {
        if (!dir.isValid()) {
            std::fprintf(stderr, "cannot make a temporary folder: %s\n", qPrintable(dir.errorString()));
            std::abort();
        }
        return dir.path() + u'/';
    }();
    return path;
}

QString MakeFolder(const QString& relative)
{
    const QString path = WorkFolder() + relative;
    if (!QDir().mkpath(path)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

} // namespace FuzzSupport
