// Removing a record while other machines use the score file, with real processes: the test binary
// starts copies of itself as the other machines (with ZOME2_REPLACE_WORKER set, main() runs the
// worker instead of the tests). A deleting copy stops at a step of RemoveRecord
// (ZOME2_TEST_PAUSE_AT_STEP) to be killed there, or to be kept there holding the lock while another
// copy queues up for it.
#include "base/FatalError.h"
#include "records/LoadedScores.h"
#include "records/ScoreFile.h"
#include "support/TestInstallation.h"
#include <QProcess>
#include <QtTest>
#include <cstdio>
#include <memory>

namespace {
const char* const RoleVariable = "ZOME2_REPLACE_WORKER";
const char* const FolderVariable = "ZOME2_REPLACE_FOLDER";
const char* const PauseVariable = "ZOME2_TEST_PAUSE_AT_STEP";
const QString FileName = QStringLiteral("成績累積データ.dat");
constexpr int Writers = 4;
constexpr int AppendsPerWriter = 600;
constexpr int StressDeletes = 40;

ScoreRecord Record(qint16 pupil, qint32 seconds)
{
    ScoreRecord r;
    r.Date = 46366; // 2026-12-10
    r.TimeOfDay = 0.5;
    r.Pupil = pupil;
    r.Level = 1;
    r.Seconds = seconds;
    return r;
}

// Pupil 1's records with these seconds.
QByteArray Numbered(const QList<int>& seconds)
{
    QByteArray bytes;
    for (const int n : seconds)
        bytes += Record(1, n).ToBytes();
    return bytes;
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QString Joined(const QList<qint32>& numbers)
{
    QStringList parts;
    for (const qint32 n : numbers)
        parts << QString::number(n);
    return parts.join(u',');
}

int RunWorker(const QString& role)
{
    static bool toldWaiting = false;
    // Says once that it waits for the lock, so that the test knows it queued up on the file it opened.
    ScoreFile file(QString::fromLocal8Bit(qgetenv(FolderVariable)), [](int) {
        if (!toldWaiting) {
            std::printf("waiting\n");
            std::fflush(stdout);
            toldWaiting = true;
        }
        QThread::msleep(5);
    });
    const QStringList parts = role.split(u':');
    const auto number = [&parts](int i) { return parts.value(i).toInt(); };
    QString result = QStringLiteral("done");
    try {
        if (parts[0] == QLatin1String("remove")) {
            file.RemoveRecord(number(1));
        } else if (parts[0] == QLatin1String("append")) {
            file.AppendScoreRecord(Record(1, number(1)));
        } else if (parts[0] == QLatin1String("write")) {
            file.WriteRecord(number(1), Record(1, number(2)));
        } else if (parts[0] == QLatin1String("read")) {
            QList<qint32> seconds;
            for (const ScoreRecord& r : file.ReadLastRecords(number(1)))
                seconds << r.Seconds;
            result = Joined(seconds);
        } else if (parts[0] == QLatin1String("load")) {
            auto scores = std::make_unique<LoadedScores>();
            file.LoadScoreRecords(*scores);
            QList<qint32> seconds;
            for (int k = 1; k <= scores->LoadedCount; ++k)
                seconds << scores->LoadedSeconds[k];
            result = Joined(seconds);
        } else if (parts[0] == QLatin1String("count")) {
            result = QString::number(file.RecordCount());
        } else if (parts[0] == QLatin1String("appendmany")) {
            // Pupil p appends seconds 0, 1, … in turn.
            for (int s = 0; s < AppendsPerWriter; ++s)
                file.AppendScoreRecord(Record(qint16(number(1)), s));
        } else if (parts[0] == QLatin1String("removemany")) {
            for (int removed = 0; removed < StressDeletes;) {
                if (file.RecordCount() > 0) {
                    file.RemoveRecord(1);
                    ++removed;
                }
                QThread::msleep(1);
            }
        } else {
            std::fprintf(stderr, "unknown role %s\n", qPrintable(role));
            return 1;
        }
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message));
        return 1;
    }
    std::printf("result %s\n", qPrintable(result));
    return 0;
}
} // namespace

class TestScoreFileReplace : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Install;
    std::vector<std::unique_ptr<QProcess>> Workers;

    QString Path() const { return Install->DataFolder + FileName; }

    void WriteFile(const QByteArray& bytes)
    {
        QFile f(Path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    // The backups, oldest first: their names order them.
    QStringList Backups() const
    {
        QStringList names = QDir(Install->DataFolder).entryList({QStringLiteral("成績累積データ_*.bak")}, QDir::Files);
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            const auto key = [](const QString& name) {
                const qsizetype number = name.indexOf(u'_', name.indexOf(u'-'));
                return qMakePair(name.left(name.indexOf(u'-') + 7),
                                 number < 0 ? 1 : name.mid(number + 1).chopped(4).toInt());
            };
            return key(a) < key(b);
        });
        return names;
    }

    // What else a delete left in the folder.
    QStringList Leftovers() const
    {
        QStringList names = QDir(Install->DataFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(FileName);
        for (const QString& backup : Backups())
            names.removeAll(backup);
        return names;
    }

    QProcess& Start(const QString& role, const QString& pauseAt = QString())
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(RoleVariable, role);
        env.insert(FolderVariable, Install->DataFolder);
        if (!pauseAt.isEmpty())
            env.insert(PauseVariable, pauseAt);
        process->setProcessEnvironment(env);
        process->start(QCoreApplication::applicationFilePath(), {});
        Workers.push_back(std::move(process));
        return *Workers.back();
    }

    // Reads the worker's lines until `line` comes; false when the worker ends first.
    static bool WaitForLine(QProcess& p, const QByteArray& line)
    {
        for (;;) {
            while (p.canReadLine())
                if (p.readLine().trimmed() == line)
                    return true;
            if (!p.waitForReadyRead(60000))
                return false;
        }
    }

    // Waits for the worker to end well and returns what it printed after "result ", or why it failed.
    static QByteArray Result(QProcess& p)
    {
        if (!p.waitForFinished(120000))
            return "(still running)";
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return "(failed) " + p.readAllStandardError();
        QByteArray result = "(no result)";
        while (p.canReadLine()) {
            const QByteArray line = p.readLine().trimmed();
            if (line.startsWith("result "))
                result = line.mid(7);
        }
        return result;
    }

private slots:
    void init()
    {
        Install = std::make_unique<TestInstallation>();
    }
    void cleanup()
    {
        for (auto& p : Workers) {
            p->kill();
            p->waitForFinished(10000);
        }
        Workers.clear();
    }

    void killedAtEveryStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<bool>("newFileLeft");
        QTest::newRow("locked") << "locked" << false << false;
        QTest::newRow("new file written") << "written" << false << true;
        QTest::newRow("new file on the disk") << "synced" << false << true;
        QTest::newRow("backup made") << "backed-up" << false << true;
        QTest::newRow("renamed") << "renamed" << true << false;
        QTest::newRow("folder on the disk") << "folder-synced" << true << false;
    }
    // Killed at any step, the path holds the whole old file or the whole new one; the next delete
    // and append work, clear what the killed one left, and the backups hold earlier contents only.
    void killedAtEveryStep()
    {
        QFETCH(QString, step);
        QFETCH(bool, replaced);
        QFETCH(bool, newFileLeft);
        const QByteArray old = Numbered({1, 2, 3, 4, 5});
        WriteFile(old);
        QProcess& deleter = Start(QStringLiteral("remove:2"), step);
        QVERIFY(WaitForLine(deleter, "paused at " + step.toLatin1()));
        deleter.kill();
        QVERIFY(deleter.waitForFinished(30000));

        const QByteArray before = Contents(Path());
        QCOMPARE(before, replaced ? Numbered({1, 3, 4, 5}) : old);
        QCOMPARE(Leftovers().size(), newFileLeft ? 1 : 0);

        ScoreFile file(Install->DataFolder);
        file.RemoveRecord(1);
        file.AppendScoreRecord(Record(1, 6));
        QCOMPARE(Contents(Path()), before.mid(ScoreRecord::Size) + Numbered({6}));
        QCOMPARE(Leftovers(), QStringList());
        // A backup the killed delete linked to the file still in use went with its new file.
        QList<QByteArray> expected;
        if (replaced)
            expected << old;
        expected << before;
        QList<QByteArray> backups;
        for (const QString& name : Backups())
            backups << Contents(Install->DataFolder + name);
        QCOMPARE(backups, expected);
    }

    void waitingOperationUsesTheNewFile_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("pauseAt");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("append") << "append:6" << "locked" << QList<int>{1, 3, 4, 5, 6} << QByteArray("done");
        QTest::newRow("append queued just before the rename")
            << "append:6" << "backed-up" << QList<int>{1, 3, 4, 5, 6} << QByteArray("done");
        QTest::newRow("rewrite") << "write:1:9" << "locked" << QList<int>{9, 3, 4, 5} << QByteArray("done");
        QTest::newRow("another delete") << "remove:1" << "locked" << QList<int>{3, 4, 5} << QByteArray("done");
        QTest::newRow("last records") << "read:10" << "locked" << QList<int>{1, 3, 4, 5} << QByteArray("1,3,4,5");
        QTest::newRow("load") << "load" << "locked" << QList<int>{1, 3, 4, 5} << QByteArray("1,3,4,5");
        QTest::newRow("count") << "count" << "locked" << QList<int>{1, 3, 4, 5} << QByteArray("4");
    }
    // Another machine queues up for the lock on the old file while a delete holds it; once the new
    // file is in place it works on that one: its append lands there exactly once, its rewrite and its
    // own delete apply to the new records, and its reads see them. The old file, kept as the first
    // backup, stays as it was.
    void waitingOperationUsesTheNewFile()
    {
        QFETCH(QString, role);
        QFETCH(QString, pauseAt);
        QFETCH(QList<int>, after);
        QFETCH(QByteArray, result);
        const QByteArray old = Numbered({1, 2, 3, 4, 5});
        WriteFile(old);
        QProcess& deleter = Start(QStringLiteral("remove:2"), pauseAt);
        QVERIFY(WaitForLine(deleter, "paused at " + pauseAt.toLatin1()));
        QProcess& other = Start(role);
        QVERIFY(WaitForLine(other, "waiting"));
        deleter.write("\n");
        QCOMPARE(Result(deleter), QByteArray("done"));
        QCOMPARE(Result(other), result);
        QCOMPARE(Contents(Path()), Numbered(after));
        QVERIFY(!Backups().isEmpty());
        QCOMPARE(Contents(Install->DataFolder + Backups().first()), old);
    }

    // Writers append while records are removed one after another: no append is lost or doubled, and
    // each writer's records stay in order.
    void appendsWhileRecordsAreRemoved()
    {
        Start(QStringLiteral("removemany"));
        for (int w = 1; w <= Writers; ++w)
            Start(QStringLiteral("appendmany:%1").arg(w));
        for (auto& p : Workers)
            QCOMPARE(Result(*p), QByteArray("done"));

        const QByteArray bytes = Contents(Path());
        QCOMPARE(bytes.size(), (Writers * AppendsPerWriter - StressDeletes) * ScoreRecord::Size);
        // What the deletes took is the first records of their moment, so each writer's survivors are
        // an unbroken run ending with its last append.
        int last[Writers + 1];
        std::fill(std::begin(last), std::end(last), -1);
        int first[Writers + 1] = {};
        for (qsizetype at = 0; at < bytes.size(); at += ScoreRecord::Size) {
            const ScoreRecord r = ScoreRecord::FromBytes(bytes.constData() + at);
            QVERIFY(r.Pupil >= 1 && r.Pupil <= Writers);
            if (last[r.Pupil] < 0)
                first[r.Pupil] = r.Seconds;
            else
                QCOMPARE(r.Seconds, last[r.Pupil] + 1);
            last[r.Pupil] = r.Seconds;
        }
        int removed = 0;
        for (int w = 1; w <= Writers; ++w) {
            QCOMPARE(last[w], AppendsPerWriter - 1);
            removed += first[w];
        }
        QCOMPARE(removed, StressDeletes);
        QCOMPARE(Leftovers(), QStringList());
        QCOMPARE(Backups().size(), ScoreFile::KeptBackups);
    }
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(RoleVariable);
    if (!role.isEmpty())
        return RunWorker(QString::fromLocal8Bit(role));
    QCoreApplication app(argc, argv);
    TestScoreFileReplace test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ScoreFileReplace.moc"
