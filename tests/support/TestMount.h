#pragma once
#include <QProcess>
#include <QStringList>

// A mount made by a test (as root, as CI runs) and taken off when it goes out of scope: a tmpfs
// standing for a school's share, a read-only bind mount, a FUSE mount. `Error` says why it could
// not be made; the test then skips.
class TestMount {
public:
    // `command` mounts something on `mountPoint`: {"mount", "-t", "tmpfs", …} or {"bindfs", …}.
    TestMount(const QStringList& command, const QString& mountPoint) : Point(mountPoint)
    {
        QString output;
        if (!Run(command, &output)) {
            Error = QStringLiteral("%1 failed: %2").arg(command.join(u' '), output.trimmed());
            return;
        }
        Mounted = true;
    }
    // Makes the mount read-only (a bind mount).
    bool RemountReadOnly()
    {
        QString output;
        return Run({"mount", "-o", "remount,ro,bind", Point, Point}, &output);
    }
    ~TestMount()
    {
        if (Mounted && !Run({"umount", Point}, nullptr))
            Run({"umount", "-l", Point}, nullptr);
    }
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    QString Error;

private:
    static bool Run(const QStringList& command, QString* output)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(command.first(), command.mid(1));
        const bool ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (output)
            *output = p.errorString() + " " + QString::fromLocal8Bit(p.readAll());
        return ok;
    }
    QString Point;
    bool Mounted = false;
};
