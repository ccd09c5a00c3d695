// Full screen in a kiosk session: a real X server (Xvfb) with no window manager, where nobody
// answers the request for full screen. The form must cover the whole screen by itself.
// With ZOME2_KIOSK_CHILD set, main() shows a form on that display and prints its geometry.
#include "base/ui/ScaledForm.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

namespace {
const char* const ChildVariable = "ZOME2_KIOSK_CHILD";

int RunChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    ScaledForm form;
    form.ShowScreen();
    if (!QTest::qWaitForWindowExposed(&form, 10000))
        return 3;
    QTest::qWait(300);
    const QRect g = form.frameGeometry();
    std::printf("%d %d %d %d\n", g.x(), g.y(), g.width(), g.height());
    return 0;
}
} // namespace

class TestKioskScreen : public QObject {
    Q_OBJECT
private slots:
    void fullScreenWithoutAWindowManager()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            QSKIP("Xvfb is not installed (package xvfb): no X server without a window manager to try");
        // A display number of our own: the first whose lock file is free.
        int display = 0;
        for (display = 87; display < 120; ++display)
            if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
                break;
        QProcess server;
        server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server.waitForStarted(10000))
            QSKIP("Xvfb does not start here");
        const auto stop = qScopeGuard([&server] {
            server.terminate();
            if (!server.waitForFinished(5000))
                server.kill();
        });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display))
                                     || server.state() != QProcess::Running, 10000);
        if (server.state() != QProcess::Running)
            QSKIP("Xvfb stopped at once here");

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(ChildVariable), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
        QCOMPARE(QString::fromLatin1(child.readAllStandardOutput()).trimmed(), QStringLiteral("0 0 1920 1080"));
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(ChildVariable))
        return RunChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestKioskScreen test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_KioskScreen.moc"
