// Several real processes use one score file at once. The test binary starts copies of itself as
// workers: with ZOME2_SHARING_WORKER set, main() runs the worker instead of the tests.
#include "support/AppCalls.h"
#include "records/ScoreFile.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include <QtTest>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
const char* const RoleVariable = "ZOME2_SHARING_WORKER";
const char* const FolderVariable = "ZOME2_SHARING_FOLDER";
constexpr int Writers = 8;
constexpr int AppendsPerWriter = 500;
constexpr double Today = 46366; // 2026-12-10
const QDateTime Now(QDate(2026, 12, 10), QTime(18, 0, 0));

// Writer w appends its records 0 … AppendsPerWriter − 1 as pupil w with that many seconds.
qint16 LevelOf(qint32 sequence) { return qint16(sequence % 35 + 1); }

QString CheckRecord(double date, double timeOfDay, int pupil, int level, qint32 seconds)
{
    if (date != Today || timeOfDay != 0.75 || pupil < 1 || pupil > Writers || seconds < 0
        || seconds >= AppendsPerWriter || level != LevelOf(seconds))
        return QStringLiteral("bad record: date %1 time %2 pupil %3 level %4 seconds %5")
            .arg(date).arg(timeOfDay).arg(pupil).arg(level).arg(seconds);
    return QString();
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return 1;
}

int RunWorker(const QString& role)
{
    static ManualClock clock(Now);
    TestEnv().TheClock = &clock;
    TestSchool().DataFolder = QString::fromLocal8Bit(qgetenv(FolderVariable));
    TestSchool().SchoolCode = QStringLiteral("12345");
    TestEnv().Wait = [](int) { QThread::msleep(2); };
    const QStringList parts = role.split(u':');
    try {
        if (parts[0] == QLatin1String("append")) {
            TestSession().CurrentPupil = qint16(parts[1].toInt());
            for (qint32 sequence = 0; sequence < AppendsPerWriter; ++sequence) {
                TestSession().CurrentLevel = LevelOf(sequence);
                TestSession().RecordedSeconds = sequence;
                AppCalls::AppendScoreRecord();
            }
            return 0;
        }
        if (parts[0] == QLatin1String("read")) {
            // Loads until every record is there; every load must show whole records only, and each
            // writer's records as an unbroken run from its first.
            QElapsedTimer timer;
            timer.start();
            int loads = 0;
            qint32 previous = 0;
            for (;;) {
                AppCalls::LoadScoreRecords();
                ++loads;
                const LoadedScores& s = TestSchool().Scores;
                if (s.LoadedCount < previous)
                    return Fail(QStringLiteral("the file shrank from %1 to %2").arg(previous).arg(s.LoadedCount));
                previous = s.LoadedCount;
                int nextOf[Writers + 1] = {};
                for (int k = 1; k <= s.LoadedCount; ++k) {
                    const QString bad = CheckRecord(s.LoadedDate[k], s.LoadedTimeOfDay[k], s.LoadedPupil[k],
                                                    s.LoadedLevel[k], s.LoadedSeconds[k]);
                    if (!bad.isEmpty())
                        return Fail(bad);
                    if (s.LoadedSeconds[k] != nextOf[s.LoadedPupil[k]]++)
                        return Fail(QStringLiteral("writer %1 has a gap at slot %2").arg(s.LoadedPupil[k]).arg(k));
                }
                if (s.LoadedCount == Writers * AppendsPerWriter)
                    break;
                if (timer.elapsed() > 120000)
                    return Fail(QStringLiteral("only %1 records after two minutes").arg(s.LoadedCount));
            }
            std::printf("%d\n", loads);
            return 0;
        }
        if (parts[0] == QLatin1String("hold")) {
            // Holds the write lock as another machine's append would, for the given milliseconds.
            const int fd = ::open(QFile::encodeName(AppCalls::File().Path()).constData(), O_RDWR | O_CREAT, 0666);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0)
                return Fail(QStringLiteral("cannot lock"));
            std::printf("locked\n");
            std::fflush(stdout);
            QThread::msleep(parts[1].toULong());
            ::close(fd);
            return 0;
        }
    } catch (const std::exception& e) {
        return Fail(QString::fromLocal8Bit(e.what()));
    }
    return Fail(QStringLiteral("unknown role %1").arg(role));
}
} // namespace

class TestScoreFileSharing : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ResetTestScopes();
        Install = std::make_unique<TestInstallation>();
        Install->ApplyTo(TestSchool());
        TestEnv().TheClock = &Clock;
    }

    void manyWritersAndAReader()
    {
        std::vector<std::unique_ptr<QProcess>> workers;
        const auto start = [&](const QString& role) {
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(RoleVariable, role);
            env.insert(FolderVariable, TestSchool().DataFolder);
            process->setProcessEnvironment(env);
            process->start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(process->waitForStarted());
            workers.push_back(std::move(process));
        };
        start(QStringLiteral("read"));
        for (int w = 1; w <= Writers; ++w)
            start(QStringLiteral("append:%1").arg(w));
        for (auto& process : workers) {
            QVERIFY(process->waitForFinished(180000));
            QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0,
                     process->readAllStandardError().constData());
        }
        qInfo("the reader loaded the file %s times meanwhile", workers[0]->readAllStandardOutput().trimmed().constData());

        QFile file(AppCalls::File().Path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), Writers * AppendsPerWriter * ScoreRecordCodec::Size);
        int nextOf[Writers + 1] = {};
        for (qsizetype at = 0; at < bytes.size(); at += ScoreRecordCodec::Size) {
            const ScoreRecord r = ScoreRecordCodec::Decode(bytes.constData() + at);
            const QString bad = CheckRecord(r.Date, r.TimeOfDay, r.Pupil, r.Level, r.Seconds);
            QVERIFY2(bad.isEmpty(), qPrintable(bad));
            QCOMPARE(r.Seconds, nextOf[r.Pupil]++);
            QCOMPARE(r.SchoolCode, QByteArray("12345"));
            QCOMPARE(r.SpareText3, QByteArray("0    "));
        }
        for (int w = 1; w <= Writers; ++w)
            QCOMPARE(nextOf[w], AppendsPerWriter);
    }

    // While another machine holds the lock, the append waits a second at a time and then writes.
    void appendWaitsForAnotherMachinesLock()
    {
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(RoleVariable, QStringLiteral("hold:600"));
        env.insert(FolderVariable, TestSchool().DataFolder);
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

        QList<int> waits;
        TestEnv().Wait = [&waits, &holder](int ms) {
            waits << ms;
            QThread::msleep(50);
            if (holder.state() != QProcess::NotRunning)
                holder.waitForFinished(0);
        };
        TestSession().CurrentPupil = 1;
        TestSession().CurrentLevel = 1;
        TestSession().RecordedSeconds = 1;
        AppCalls::AppendScoreRecord();
        QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(30000));
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(!waits.isEmpty());
        QVERIFY(std::all_of(waits.cbegin(), waits.cend(), [](int ms) { return ms == 1000; }));
        QCOMPARE(AppCalls::File().RecordCount(), 1);

        // A reader waits the same way.
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForReadyRead(30000));
        waits.clear();
        AppCalls::LoadScoreRecords();
        QVERIFY(!waits.isEmpty());
        QCOMPARE(TestSchool().Scores.LoadedCount, 1);
        QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(30000));
    }

private:
    std::unique_ptr<TestInstallation> Install;
    ManualClock Clock{Now};
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(RoleVariable);
    if (!role.isEmpty())
        return RunWorker(QString::fromLocal8Bit(role));
    QCoreApplication app(argc, argv);
    TestScoreFileSharing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ScoreFileSharing.moc"
