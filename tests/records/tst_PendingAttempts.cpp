#include "records/PendingAttempts.h"
#include "records/ScoreFile.h"
#include "support/TestInstallation.h"
#include <QTemporaryDir>
#include <QtTest>

// The attempts that wait on the PC for the share: kept whole and in order, written once, and a
// damaged queue set aside with a message, never dropped.
class TestPendingAttempts : public QObject {
    Q_OBJECT

    static ScoreRecord Attempt(qint32 seconds, double timeOfDay = 0.5)
    {
        ScoreRecord r;
        r.Date = 46366;
        r.TimeOfDay = timeOfDay;
        r.Pupil = 3;
        r.Level = 2;
        r.Seconds = seconds;
        return r;
    }
    static QByteArray Bytes(const std::vector<ScoreRecord>& records)
    {
        QByteArray bytes;
        for (const ScoreRecord& r : records)
            bytes += r.ToBytes();
        return bytes;
    }
    QByteArray ScoreBytes() const
    {
        QFile f(ScoreFile(Inst->DataFolder).Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        Inst = std::make_unique<TestInstallation>();
        Queue = std::make_unique<PendingAttempts>(Inst->Root + "queue", Inst->DataFolder);
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
        QCOMPARE(Bytes(Queue->Load()), Attempt(30).ToBytes());
    }

    void damagedQueueSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("queued"); // what stays queued
        QTest::addColumn<QByteArray>("damaged"); // what goes aside
        QTest::newRow("a record torn by a power cut") << Attempt(40).ToBytes() + Attempt(41).ToBytes().left(30)
                                                      << Attempt(40).ToBytes() << Attempt(41).ToBytes().left(30);
        QTest::newRow("not an attempt between two") << Attempt(40).ToBytes() + QByteArray(44, '\xff') + Attempt(43).ToBytes()
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
        QCOMPARE(Bytes(Queue->Load()), queued + Attempt(42).ToBytes());
        QString again;
        Queue->Load(&again);
        QCOMPARE(again, QString());
        const ScoreFile file(Inst->DataFolder);
        Queue->Flush(file);
        QCOMPARE(ScoreBytes(), queued + Attempt(42).ToBytes());
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
};

QTEST_GUILESS_MAIN(TestPendingAttempts)
#include "tst_PendingAttempts.moc"
