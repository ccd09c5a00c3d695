// The spread of the pupils' times shown by the criteria editor: its lists for a small score file,
// and the kept tables against a fresh reading while other processes append to the file, rewrite a
// record in it or put another file in its place. The test binary starts copies of itself as those
// processes: with ZOME2_DISTRIBUTION_WORKER set, main() runs the worker instead of the tests.
#include "teacher/TimeDistribution.h"
#include "base/FatalError.h"
#include "base/OleDate.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "support/TestInstallation.h"
#include <QProcess>
#include <QtTest>
#include <cstdio>
#include <map>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
const char* const RoleVariable = "ZOME2_DISTRIBUTION_WORKER";
const char* const FolderVariable = "ZOME2_DISTRIBUTION_FOLDER";
const QDate Today(2026, 12, 10);

ScoreRecord Record(int pupil, int level, qint32 seconds)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Today);
    r.TimeOfDay = 0.5;
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

QByteArray Bytes(const std::vector<ScoreRecord>& records)
{
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += ScoreRecordCodec::Encode(r);
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Sets the file's modification time `secondsAgo` into the past, as a file untouched for a while.
void Age(const QString& path, int secondsAgo)
{
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec -= secondsAgo;
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// The 101 bucket lines under `header`, with the given stars in the given buckets.
QStringList Expected(const QString& header, const std::map<int, int>& stars)
{
    QStringList lines{header};
    for (int b = 0; b <= 100; ++b) {
        const auto it = stars.find(b);
        lines << QString::number(b * 10).rightJustified(4, u' ') + QStringLiteral("～")
                     + QString(it == stars.end() ? 0 : it->second, u'★');
    }
    return lines;
}

// The small score file of these tests.
std::vector<ScoreRecord> Fixture()
{
    std::vector<ScoreRecord> records = {
        // Level 2: a slow pupil, a pupil with three attempts and one who ran out of time.
        Record(1, 2, 1500), Record(2, 2, 47), Record(2, 2, 45), Record(2, 2, 130), Record(3, 2, 99999),
        // Not attempts, or damaged: left out.
        Record(4, 0, 50), Record(5, 36, 50), Record(5001, 2, 50), Record(-1, 2, 50),
        // Pupil 0 has no name but his attempts count; a negative time goes with the fastest.
        Record(0, 5, 20), Record(6, 5, -30),
    };
    // Level 4: 28 attempts of 28 pupils, a star worth two.
    for (int i = 0; i < 25; ++i)
        records.push_back(Record(100 + i, 4, 50 + i % 10));
    records.push_back(Record(200, 4, 60));
    records.push_back(Record(201, 4, 61));
    records.push_back(Record(202, 4, 75));
    return records;
}

int RunWorker(const QString& role)
{
    const ScoreFile file(QString::fromLocal8Bit(qgetenv(FolderVariable)), [](int) { QThread::msleep(5); });
    const QStringList parts = role.split(u':');
    try {
        if (parts[0] == QLatin1String("append")) {
            for (int i = 0; i < parts[1].toInt(); ++i)
                file.AppendScoreRecord(Record(7, 2, 20 + i));
            return 0;
        }
        if (parts[0] == QLatin1String("rewrite")) {
            file.WriteRecord(parts[1].toInt(), Record(8, 3, 200), file.ReadRecord(parts[1].toInt()));
            return 0;
        }
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message));
        return 1;
    }
    std::fprintf(stderr, "unknown role %s\n", qPrintable(role));
    return 1;
}
} // namespace

class TestTimeDistribution : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Inst;

    ScoreFile File() const { return ScoreFile(Inst->DataFolder, [](int) {}); }
    void RunProcess(const QString& role)
    {
        QProcess worker;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(RoleVariable, role);
        env.insert(FolderVariable, Inst->DataFolder);
        worker.setProcessEnvironment(env);
        worker.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(worker.waitForFinished(60000));
        QVERIFY2(worker.exitStatus() == QProcess::NormalExit && worker.exitCode() == 0,
                 worker.readAllStandardError().constData());
    }

private slots:
    void init()
    {
        Inst = std::make_unique<TestInstallation>();
        WriteFile(File().Path(), Bytes(Fixture()));
    }

    void lists_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QStringList>("allAttempts");
        QTest::addColumn<QStringList>("bestTimes");

        // 1500 s is in the last bucket of every attempt (1000～) and in the last of the best times
        // (300～), with the pupil who ran out of time.
        QTest::newRow("times up to the time-out")
            << 2 << Expected(QStringLiteral("レベル2 今まで5回  （★=1）"), {{4, 2}, {13, 1}, {100, 2}})
            << Expected(QStringLiteral("レベル2 （★=1）"), {{4, 1}, {30, 2}});
        QTest::newRow("no records: a count of 0, a star worth 1, no stars")
            << 3 << Expected(QStringLiteral("レベル3 今まで0回  （★=1）"), {})
            << Expected(QStringLiteral("レベル3 （★=1）"), {});
        // 25, 2 and 1 attempts with a star worth two: 12.5 → 13, 1 → 1 and 0.5 → 1 stars.
        QTest::newRow("a star worth two, halves rounded up")
            << 4 << Expected(QStringLiteral("レベル4 今まで28回  （★=2）"), {{5, 13}, {6, 1}, {7, 1}})
            << Expected(QStringLiteral("レベル4 （★=2）"), {{5, 13}, {6, 1}, {7, 1}});
        QTest::newRow("pupil 0 and a negative time")
            << 5 << Expected(QStringLiteral("レベル5 今まで2回  （★=1）"), {{0, 1}, {2, 1}})
            << Expected(QStringLiteral("レベル5 （★=1）"), {{0, 1}, {2, 1}});
        QTest::newRow("the last level") << 35 << Expected(QStringLiteral("レベル35 今まで0回  （★=1）"), {})
                                        << Expected(QStringLiteral("レベル35 （★=1）"), {});
    }
    void lists()
    {
        QFETCH(int, level);
        QFETCH(QStringList, allAttempts);
        QFETCH(QStringList, bestTimes);
        TimeDistribution distribution;
        const TimeDistribution::Lists lists = TimeDistribution::ListsOf(distribution.For(File()), level);
        QCOMPARE(lists.AllAttempts, allAttempts);
        QCOMPARE(lists.BestTimes, bestTimes);
    }

    // The kept tables are the ones a fresh reading gives, whatever happened to the file meanwhile;
    // the file is read again only when it changed.
    void keptAgainstFresh_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("reads");
        QTest::newRow("nothing") << "" << 1;
        QTest::newRow("another process appends") << "append:30" << 2;
        QTest::newRow("another process rewrites a record in place") << "rewrite:2" << 2;
        QTest::newRow("another file of the same size and time in its place") << "replace" << 2;
        QTest::newRow("a partial record at the end") << "partial" << 2;
    }
    void keptAgainstFresh()
    {
        QFETCH(QString, change);
        QFETCH(int, reads);
        const QString path = File().Path();
        // Untouched for a minute, so that a change a moment later has another time.
        Age(path, 60);
        TimeDistribution kept;
        const TimeDistribution::Lists before = TimeDistribution::ListsOf(kept.For(File()), 2);
        QCOMPARE(kept.FileReads(), 1);

        if (change == QLatin1String("replace")) {
            struct stat old {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &old), 0);
            std::vector<ScoreRecord> records = Fixture();
            records[0].Seconds = 30; // the slow pupil, fast now
            const QString other = Inst->DataFolder + "other.dat";
            WriteFile(other, Bytes(records));
            const timespec times[2] = {old.st_atim, old.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
            QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
        } else if (change == QLatin1String("partial")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::Append));
            QCOMPARE(f.write(ScoreRecordCodec::Encode(Record(9, 2, 10)).left(20)), qint64(20));
        } else if (!change.isEmpty()) {
            RunProcess(change);
        }

        const TimeDistribution::Lists again = TimeDistribution::ListsOf(kept.For(File()), 2);
        QCOMPARE(kept.FileReads(), reads);
        const TimeDistribution::Tables fresh = TimeDistribution::Compute(File().ReadLastRecords(1 << 30));
        for (int level = 1; level <= 35; ++level) {
            const TimeDistribution::Lists expected = TimeDistribution::ListsOf(fresh, level);
            const TimeDistribution::Lists shown = TimeDistribution::ListsOf(kept.For(File()), level);
            QCOMPARE(shown.AllAttempts, expected.AllAttempts);
            QCOMPARE(shown.BestTimes, expected.BestTimes);
        }
        QCOMPARE(kept.FileReads(), reads);
        QCOMPARE(again.AllAttempts == before.AllAttempts, change.isEmpty() || change == QLatin1String("partial"));
    }

    // A score file that cannot be read is named, and read again once it is back.
    void unreadableFile()
    {
        TimeDistribution kept;
        const TimeDistribution::Lists before = TimeDistribution::ListsOf(kept.For(File()), 2);
        QFile::remove(File().Path());
        QVERIFY(QDir().mkdir(File().Path()));
        try {
            kept.For(File());
            QFAIL("read a folder as the score file");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(File().Path())), qPrintable(e.Message));
        }
        QVERIFY(QDir().rmdir(File().Path()));
        WriteFile(File().Path(), Bytes(Fixture()));
        QCOMPARE(TimeDistribution::ListsOf(kept.For(File()), 2).AllAttempts, before.AllAttempts);
    }

    // A missing file is created empty, as every reader of it does, and read once more when it
    // has been created.
    void missingFile()
    {
        QFile::remove(File().Path());
        TimeDistribution kept;
        QCOMPARE(kept.For(File()).Attempts[2], 0);
        QVERIFY(QFileInfo::exists(File().Path()));
        RunProcess(QStringLiteral("append:3"));
        QCOMPARE(kept.For(File()).Attempts[2], 3);
    }
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(RoleVariable);
    if (!role.isEmpty())
        return RunWorker(QString::fromLocal8Bit(role));
    QCoreApplication app(argc, argv);
    TestTimeDistribution test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TimeDistribution.moc"
