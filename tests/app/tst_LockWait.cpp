// Another PC keeps the score file locked: the screens wait and say so after three seconds, the
// notice goes when the file comes free, and the export gives up after its limit. The other PC is
// this test program started again in the role of the lock holder.
#include "app/ExportCommand.h"
#include "app/ScreenFlow.h"
#include "base/FatalError.h"
#include "support/TestScopes.h"
#include "state/StateViews.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include <QLabel>
#include <QProcess>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

namespace {
const char HoldVariable[] = "ZOME2_TEST_HOLD_LOCK";

// Holds a write lock on the file until killed.
int HoldLock(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0666);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0)
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
} // namespace

class TestLockWait : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Inst;
    ManualClock Clock;
    QProcess Holder;

    void Hold()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(HoldVariable, AppCalls::File().Path());
        Holder.setProcessEnvironment(env);
        Holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(Holder.waitForReadyRead(30000));
        QCOMPARE(Holder.readLine().trimmed(), QByteArray("locked"));
    }
    void Release()
    {
        Holder.kill();
        Holder.waitForFinished(10000);
    }

private slots:
    void init()
    {
        ResetTestScopes();
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        TestEnv().TheClock = &Clock;
    }
    void cleanup()
    {
        Release();
        DeleteAllScreens();
        ResetTestScopes();
    }

    void screenNoticeComesAndGoes()
    {
        ScreenFlow flow(TestSchool(), TestSession(), TestEnv());
        Hold();
        QList<bool> shown;
        QList<QString> texts;
        // Each second of waiting, as the program waits it; after the fifth the other PC lets go.
        TestEnv().Wait = [&](int) {
            QCoreApplication::processEvents();
            if (shown.size() == 4)
                Release();
        };
        const auto notice = [] { return Visible<QLabel>().value(0); };
        const std::function<void(int)> tell = TestEnv().WaitNotice;
        TestEnv().WaitNotice = [&](int seconds) {
            tell(seconds);
            QLabel* label = notice();
            shown << (label && label->objectName() == QLatin1String("LockNotice"));
            texts << (label ? label->text() : QString());
        };
        StateViews::ComputeResultTables(TestSchool(), TestSession(), TestEnv());
        QCOMPARE(shown, (QList<bool>{false, false, true, true, true, false}));
        QVERIFY2(texts[2].contains(QStringLiteral("ほかのパソコンが成績ファイルを使っています")), qPrintable(texts[2]));
        QVERIFY2(texts[2].contains(QStringLiteral("3秒")), qPrintable(texts[2]));
        QVERIFY2(texts[4].contains(QStringLiteral("5秒")), qPrintable(texts[4]));
    }

    void exportGivesUp()
    {
        Hold();
        int waits = 0;
        TestEnv().Wait = [&waits](int) { ++waits; };
        const QString out = Inst->Root + QStringLiteral("out.csv");
        QCOMPARE(ExportCommand::Run(TestEnv(), Inst->ProgramFolder, out, 2), 1);
        QCOMPARE(waits, 2);
        QVERIFY(!QFile::exists(out));
    }

    void giveUpNamesTheFile()
    {
        Hold();
        TestEnv().Wait = [](int) {};
        TestEnv().LockGiveUpSeconds = 1;
        try {
            AppCalls::LoadScoreRecords();
            QFAIL("no error");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(AppCalls::File().Path())), qPrintable(e.Message));
            QVERIFY2(e.Message.contains(QStringLiteral("1秒待ちました")), qPrintable(e.Message));
        }
    }
};

int main(int argc, char** argv)
{
    const QByteArray hold = qgetenv(HoldVariable);
    if (!hold.isEmpty())
        return HoldLock(hold);
    QApplication app(argc, argv);
    TestLockWait test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_LockWait.moc"
