#pragma once
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>

// Makes a file or a folder read-only for this process: by its permissions, and where those do not bind
// (running as root, as CI does) by a read-only bind mount of the file onto itself.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : Path(path)
    {
        if (!QFileInfo(Path).isDir())
            QFile::setPermissions(Path, QFile::ReadOwner);
        if (!Writable())
            return;
        if (!Run({"mount", "--bind", Path, Path})) {
            Error = QStringLiteral("the rights of this process ignore file permissions and it cannot bind-mount");
            return;
        }
        Mounted = true;
        if (!Run({"mount", "-o", "remount,ro,bind", Path, Path}) || Writable())
            Error = QStringLiteral("a read-only bind mount does not keep this process from writing");
    }
    ~ReadOnlyFile()
    {
        if (Mounted)
            Run({"umount", Path});
        if (!QFileInfo(Path).isDir())
            QFile::setPermissions(Path, QFile::ReadOwner | QFile::WriteOwner);
    }
    QString Error;

private:
    // A file takes an appended byte; a folder takes a new file.
    bool Writable() const
    {
        if (QFileInfo(Path).isDir()) {
            QTemporaryFile probe(Path + QStringLiteral("/probe"));
            return probe.open();
        }
        return QFile(Path).open(QIODevice::WriteOnly | QIODevice::Append);
    }
    static bool Run(const QStringList& command)
    {
        QProcess p;
        p.start(command.first(), command.mid(1));
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    QString Path;
    bool Mounted = false;
};
