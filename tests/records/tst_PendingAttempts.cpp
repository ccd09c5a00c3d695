#include "records/PendingAttempts.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include "support/TestInstallation.h"
#include "support/WorkerProcesses.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// With ZOME2_QUEUE_WORKER set the test binary is another window or PC: it runs that role instead of
// the tests, on the data folder and queue folder the test names.
const char* const RoleVariable = "ZOME2_QUEUE_WORKER";
const char* const DataVariable = "ZOME2_QUEUE_DATA";
const char* const QueueVariable = "ZOME2_QUEUE_FOLDER";

ScoreRecord Attempt(qint32 seconds, double timeOfDay = 0.5)
{
    ScoreRecord r;
    r.Date = 46366;
    r.TimeOfDay = timeOfDay;
    r.Pupil = 3;
    r.Level = 2;
    r.Seconds = seconds;
    return r;
}

int RunWorker(const QString& role)
{
    static bool toldWaiting = false;
    const ScoreFile file(QString::fromLocal8Bit(qgetenv(DataVariable)), [](int) {
        if (!toldWaiting) {
            std::printf("waiting\n");
            std::fflush(stdout);
            toldWaiting = true;
        }
        QThread::msleep(5);
    });
    const PendingAttempts queue(QString::fromLocal8Bit(qgetenv(QueueVariable)), QString::fromLocal8Bit(qgetenv(DataVariable)));
    const QStringList parts = role.split(u':');
    QString result;
    try {
        if (parts[0] == QLatin1String("flush")) {
            result = QString::number(queue.Flush(file));
        } else if (parts[0] == QLatin1String("remove")) { // remove:n
            const int n = parts.value(1).toInt();
            file.RemoveRecord(n, file.ReadRecord(n));
            result = QStringLiteral("done");
        } else if (parts[0] == QLatin1String("record")) { // record:seconds — as an attempt's end does
            const ScoreRecord next = Attempt(parts.value(1).toInt());
            try {
                queue.Flush(file, &next);
                result = QStringLiteral("appended");
            } catch (const ScoreFile::Unreachable& e) {
                queue.Add(next);
                result = QStringLiteral("queued");
                std::fprintf(stderr, "%s\n", qPrintable(e.Message));
            }
        }
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message));
        return 1;
    }
    std::printf("result %s\n", qPrintable(result));
    return 0;
}
} // namespace

// The attempts that wait on the PC for the share: kept whole and in order, written once, and a
// damaged queue set aside with a message, never dropped.
class TestPendingAttempts : public QObject {
    Q_OBJECT

    static QByteArray Bytes(const std::vector<ScoreRecord>& records)
    {
        QByteArray bytes;
        for (const ScoreRecord& r : records)
            bytes += ScoreRecordCodec::Encode(r);
        return bytes;
    }
    QByteArray ScoreBytes() const
    {
        QFile f(ScoreFile(Inst->DataFolder).Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString QueueFolder() const { return Inst->Root + "queue"; }

    QProcess& Start(const QString& role, const QString& pauseAt = QString(), const QStringList& account = {})
    {
        QMap<QString, QString> env{{RoleVariable, role}, {DataVariable, Inst->DataFolder}, {QueueVariable, QueueFolder()}};
        if (!pauseAt.isEmpty())
            env.insert(QStringLiteral("ZOME2_TEST_PAUSE_AT_STEP"), pauseAt);
        return Workers.Start(env, account);
    }
    static bool WaitForLine(QProcess& p, const QByteArray& line) { return WorkerProcesses::WaitForLine(p, line); }
    static QByteArray Result(QProcess& p) { return WorkerProcesses::Result(p); }
    // How often the score file holds `record`.
    int Held(const ScoreRecord& record) const
    {
        const QByteArray bytes = ScoreBytes();
        const QByteArray r = ScoreRecordCodec::Encode(record);
        int n = 0;
        for (qsizetype at = 0; at + 44 <= bytes.size(); at += 44)
            n += bytes.mid(at, 44) == r;
        return n;
    }

private slots:
    void cleanup() { Workers.KillAll(); }

    void flushCutOffNotDoubled_data()
    {
        QTest::addColumn<int>("othersAppended");
        QTest::addColumn<bool>("teacherDeletes");
        QTest::newRow("killed before the queue let go") << 0 << false;
        QTest::newRow("then more appends by other PCs than the last records looked at") << 20001 << false;
        QTest::newRow("then a teacher's delete of it") << 0 << true;
        QTest::newRow("then both") << 20001 << true;
    }
    // A flush killed after its records landed and were synced, before the queue let them go: the
    // next flush writes none of them again, however many records other PCs appended meanwhile, and
    // does not bring back one a teacher deleted meanwhile.
    void flushCutOffNotDoubled()
    {
        QFETCH(int, othersAppended);
        QFETCH(bool, teacherDeletes);
        const ScoreFile file(Inst->DataFolder);
        file.AppendScoreRecord(Attempt(1));
        Queue->Add(Attempt(10));
        Queue->Add(Attempt(11));
        QProcess& cut = Start(QStringLiteral("flush"), QStringLiteral("appended"));
        QVERIFY(WaitForLine(cut, "paused at appended"));
        cut.kill();
        QVERIFY(cut.waitForFinished(30000));
        QCOMPARE(ScoreBytes(), Bytes({Attempt(1), Attempt(10), Attempt(11)}));
        QCOMPARE(Queue->Load().size(), std::size_t(2));
        if (othersAppended > 0) {
            QByteArray others;
            for (int k = 0; k < othersAppended; ++k) {
                ScoreRecord r = Attempt(1000 + k, 0.25);
                r.Pupil = 7;
                others += ScoreRecordCodec::Encode(r);
            }
            QFile f(file.Path());
            QVERIFY(f.open(QIODevice::Append));
            QCOMPARE(f.write(others), others.size());
        }
        if (teacherDeletes)
            file.RemoveRecord(2, Attempt(10));
        QCOMPARE(Queue->Flush(file), 2);
        QCOMPARE(Held(Attempt(10)), teacherDeletes ? 0 : 1);
        QCOMPARE(Held(Attempt(11)), 1);
        QVERIFY(Queue->Load().empty());
        QVERIFY(!QFile::exists(Queue->NotePath()));
    }

    // Two windows of one account flush while another PC holds the score file, and meanwhile the
    // account queues one more attempt: every queued attempt lands once, none is lost.
    void twoWindowsOfOneAccount()
    {
        const ScoreFile file(Inst->DataFolder);
        file.AppendScoreRecord(Attempt(1));
        for (const int s : {20, 21, 22})
            Queue->Add(Attempt(s));
        QProcess& holder = Start(QStringLiteral("remove:1"), QStringLiteral("locked"));
        QVERIFY(WaitForLine(holder, "paused at locked"));
        QProcess& first = Start(QStringLiteral("flush"));
        QProcess& second = Start(QStringLiteral("flush"));
        QVERIFY(WaitForLine(first, "waiting"));
        QVERIFY(WaitForLine(second, "waiting"));
        Queue->Add(Attempt(23));
        holder.write("\n");
        QCOMPARE(Result(holder), QByteArray("done"));
        const QByteArray a = Result(first);
        const QByteArray b = Result(second);
        QVERIFY2((a == "4" && b == "0") || (a == "0" && b == "4"), qPrintable(a + " " + b));
        QCOMPARE(ScoreBytes(), Bytes({Attempt(20), Attempt(21), Attempt(22), Attempt(23)}));
        QVERIFY(Queue->Load().empty());
    }

    // A delete cut off that this account may finish writing but not clear up (it cannot remove the
    // journal from the folder): the attempt waits on the PC, told why, and the next one too; once
    // an account that can finishes the delete, both are written.
    void finisherThatCannotFinish()
    {
        if (::geteuid() != 0)
            QSKIP("running as another account needs root");
        const ScoreFile file(Inst->DataFolder);
        for (const int s : {1, 2, 3})
            file.AppendScoreRecord(Attempt(s));
        QProcess& cut = Start(QStringLiteral("remove:1"), QStringLiteral("journaled"));
        QVERIFY(WaitForLine(cut, "paused at journaled"));
        cut.kill();
        QVERIFY(cut.waitForFinished(30000));
        QVERIFY(QFile::exists(file.JournalPath()));
        QCOMPARE(::chmod(QFile::encodeName(file.Path()).constData(), 0666), 0);
        for (const QString& folder : {Inst->Root, Inst->DataRoot})
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(Inst->DataFolder).constData(), 0755), 0);
        QVERIFY(QDir().mkpath(QueueFolder()));
        QCOMPARE(::chmod(QFile::encodeName(QueueFolder()).constData(), 0777), 0);
        const QString copy = Inst->Root + "pupil";
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QCOMPARE(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
        const QStringList pupil{"--reuid=65534", "--regid=65534", "--clear-groups", copy};
        for (const int s : {40, 41}) {
            QProcess& p = Start(QStringLiteral("record:%1").arg(s), QString(), pupil);
            QCOMPARE(Result(p), QByteArray("queued"));
            const QString said = QString::fromLocal8Bit(p.readAllStandardError());
            QVERIFY2(said.contains(QDir::toNativeSeparators(file.JournalPath())) || said.contains(QStringLiteral("書き換え")),
                     qPrintable(said));
        }
        QCOMPARE(Bytes(Queue->Load()), Bytes({Attempt(40), Attempt(41)}));
        // The teacher's account finishes the delete and the queue goes in.
        QCOMPARE(Queue->Flush(file), 2);
        QVERIFY(!QFile::exists(file.JournalPath()));
        QCOMPARE(ScoreBytes(), Bytes({Attempt(2), Attempt(3), Attempt(40), Attempt(41)}));
    }

    void init()
    {
        Inst = std::make_unique<TestInstallation>();
        Queue = std::make_unique<PendingAttempts>(QueueFolder(), Inst->DataFolder);
    }

    // In order, after what the file holds; the queue is empty afterwards.
    void queuedAttemptsWrittenInOrder()
    {
        const ScoreFile file(Inst->DataFolder);
        file.AppendScoreRecord(Attempt(1));
        for (const int s : {10, 11, 12})
            Queue->Add(Attempt(s));
        QCOMPARE(Bytes(Queue->Load()), Bytes({Attempt(10), Attempt(11), Attempt(12)}));
        const ScoreRecord next = Attempt(13);
        QCOMPARE(Queue->Flush(file, &next), 3);
        QCOMPARE(ScoreBytes(), Bytes({Attempt(1), Attempt(10), Attempt(11), Attempt(12), Attempt(13)}));
        QVERIFY(Queue->Load().empty());
        QCOMPARE(Queue->Flush(file), 0);
        QCOMPARE(ScoreBytes().size(), 5 * 44);
    }

    // A write that timed out on the share but landed after all is not written again; an attempt
    // with the same bytes queued twice is written as often as the file does not hold it yet.
    void whatLandedIsNotDoubled()
    {
        const ScoreFile file(Inst->DataFolder);
        file.AppendScoreRecord(Attempt(20));
        Queue->Add(Attempt(20));
        Queue->Add(Attempt(21));
        Queue->Add(Attempt(21));
        QCOMPARE(Queue->Flush(file), 3);
        QCOMPARE(ScoreBytes(), Bytes({Attempt(20), Attempt(21), Attempt(21)}));
    }

    // The share still away: the queue stays as it was.
    void shareAwayKeepsTheQueue()
    {
        Queue->Add(Attempt(30));
        QVERIFY(QDir(Inst->DataFolder).removeRecursively());
        try {
            Queue->Flush(ScoreFile(Inst->DataFolder).TryOnce());
            QFAIL("wrote to a folder that is not there");
        } catch (const ScoreFile::Unreachable&) {
        }
        QCOMPARE(Bytes(Queue->Load()), ScoreRecordCodec::Encode(Attempt(30)));
    }

    void damagedQueueSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("queued"); // what stays queued
        QTest::addColumn<QByteArray>("damaged"); // what goes aside
        QTest::newRow("a record torn by a power cut")
            << ScoreRecordCodec::Encode(Attempt(40)) + ScoreRecordCodec::Encode(Attempt(41)).left(30)
            << ScoreRecordCodec::Encode(Attempt(40)) << ScoreRecordCodec::Encode(Attempt(41)).left(30);
        QTest::newRow("not an attempt between two")
            << ScoreRecordCodec::Encode(Attempt(40)) + QByteArray(44, '\xff') + ScoreRecordCodec::Encode(Attempt(43))
            << Bytes({Attempt(40), Attempt(43)}) << QByteArray(44, '\xff');
        QTest::newRow("nothing but damage") << QByteArray(50, '\xff') << QByteArray() << QByteArray(50, '\xff');
    }
    // Only what is damaged goes aside, kept under a dated name and told; the attempts around it
    // stay queued and are written with the next flush.
    void damagedQueueSetAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, queued);
        QFETCH(QByteArray, damaged);
        QVERIFY(QDir().mkpath(Inst->Root + "queue"));
        QFile f(Queue->Path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QString problem;
        QCOMPARE(Bytes(Queue->Load(&problem, QDateTime(QDate(2026, 12, 10), QTime(9, 8, 7)))), queued);
        const QString aside = Inst->Root + QStringLiteral("queue/未記録の成績_壊れたもの_20261210-090807.dat");
        QVERIFY2(problem.contains(QDir::toNativeSeparators(Queue->Path())), qPrintable(problem));
        QVERIFY2(problem.contains(QDir::toNativeSeparators(aside)), qPrintable(problem));
        QFile kept(aside);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
        QCOMPARE(QFile::exists(Queue->Path()), !queued.isEmpty());
        Queue->Add(Attempt(42));
        QCOMPARE(Bytes(Queue->Load()), queued + ScoreRecordCodec::Encode(Attempt(42)));
        QString again;
        Queue->Load(&again);
        QCOMPARE(again, QString());
        const ScoreFile file(Inst->DataFolder);
        Queue->Flush(file);
        QCOMPARE(ScoreBytes(), queued + ScoreRecordCodec::Encode(Attempt(42)));
    }

    // Each data folder has a queue of its own.
    void oneQueueADataFolder()
    {
        const PendingAttempts other(Inst->Root + "queue", Inst->DataRoot + "other/");
        QVERIFY(other.Path() != Queue->Path());
        Queue->Add(Attempt(50));
        QVERIFY(other.Load().empty());
    }

private:
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<PendingAttempts> Queue;
    WorkerProcesses Workers;
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(RoleVariable);
    if (!role.isEmpty())
        return RunWorker(QString::fromLocal8Bit(role));
    QCoreApplication app(argc, argv);
    TestPendingAttempts test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_PendingAttempts.moc"
