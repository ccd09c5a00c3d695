#include "records/BackupComparison.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include <QtTest>

// A backup against the file as it is now: what differs, what came after it, what is not a record.
class TestBackupComparison : public QObject {
    Q_OBJECT

    // An attempt: its time of day tells attempts apart, as a real clock does.
    static ScoreRecord Attempt(int id, qint16 pupil = 1, qint32 seconds = 60)
    {
        ScoreRecord r;
        r.Date = 46366;
        r.TimeOfDay = 0.3 + id / 100000.0;
        r.Pupil = pupil;
        r.Level = 1;
        r.Seconds = seconds;
        return r;
    }
    static QByteArray Of(const QList<ScoreRecord>& records)
    {
        QByteArray bytes;
        for (const ScoreRecord& r : records)
            bytes += ScoreRecordCodec::Encode(r);
        return bytes;
    }

private slots:
    void appendedAfter_data()
    {
        QTest::addColumn<QByteArray>("backup");
        QTest::addColumn<QByteArray>("current");
        QTest::addColumn<QByteArray>("appended");
        const ScoreRecord a = Attempt(1), b = Attempt(2), c = Attempt(3), d = Attempt(4), e = Attempt(5);
        QTest::newRow("nothing since") << Of({a, b, c}) << Of({a, b, c}) << QByteArray();
        QTest::newRow("a delete since") << Of({a, b, c}) << Of({a, c}) << QByteArray();
        QTest::newRow("appends after a delete") << Of({a, b, c}) << Of({a, c, d, e}) << Of({d, e});
        // A teacher corrected c's time after the backup: its attempt is in the backup already.
        QTest::newRow("a record changed since") << Of({a, b, c}) << Of({a, Attempt(3, 1, 99), d}) << Of({d});
        QTest::newRow("a record's pupil changed since") << Of({a, b, c}) << Of({a, b, Attempt(3, 2), d}) << Of({d});
        // The same 44 bytes twice in the file, once in the backup: the second is new.
        QTest::newRow("the same record again") << Of({a, b}) << Of({a, b, b}) << Of({b});
        QTest::newRow("partial tail of the backup") << Of({a}) + "xyz" << Of({a, d}) << Of({d});
    }
    void appendedAfter()
    {
        QFETCH(QByteArray, backup);
        QFETCH(QByteArray, current);
        QFETCH(QByteArray, appended);
        QCOMPARE(BackupComparison::AppendedAfter(current, backup.left(backup.size() / 44 * 44)).toHex(), appended.toHex());
    }

    void differing()
    {
        const ScoreRecord a = Attempt(1), b = Attempt(2), c = Attempt(3), d = Attempt(4);
        QCOMPARE(BackupComparison::Differing(Of({a, b, c}), Of({a, b, c})), 0);
        QCOMPARE(BackupComparison::Differing(Of({a, c}), Of({a, b, c})), 1);
        QCOMPARE(BackupComparison::Differing(Of({a, c, d}), Of({a, b, c})), 2);
        QCOMPARE(BackupComparison::Differing(Of({a, a}), Of({a})), 1);
    }

    void damage()
    {
        QVERIFY(BackupComparison::Damage(Of({Attempt(1), Attempt(2)})).isEmpty());
        QVERIFY(BackupComparison::Damage(QByteArray()).isEmpty());
        const QString said = BackupComparison::Damage(Of({Attempt(1)}) + QByteArray(44, '\xff'));
        QVERIFY2(said.contains(QStringLiteral("2番目")), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestBackupComparison)
#include "tst_BackupComparison.moc"
