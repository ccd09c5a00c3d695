#include "records/ScoreJournal.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include <QtTest>

// The journal of a rewrite in place: read back only when whole and unaltered, and the attempts
// appended after a cut-off rewrite found wherever the rewrite had got to.
class TestScoreJournal : public QObject {
    Q_OBJECT

    static QByteArray Records(const QList<int>& seconds)
    {
        QByteArray bytes;
        for (const int s : seconds) {
            ScoreRecord r;
            r.Date = 46366;
            r.Pupil = 1;
            r.Level = 1;
            r.Seconds = s;
            bytes += ScoreRecordCodec::Encode(r);
        }
        return bytes;
    }

    // The file as a delete of record `n` from `old` left it when it stopped after writing `moved`
    // records of the target over the old content (`cut`: and cutting the file), followed by the
    // appends of a PC that did not see the journal.
    static QByteArray Stopped(const QByteArray& old, const QByteArray& target, int moved, bool cut, const QByteArray& appends)
    {
        QByteArray file = old;
        const qint64 from = target.size() == old.size() ? 0 : [&] {
            qint64 at = 0;
            while (at < target.size() && target.mid(at, 44) == old.mid(at, 44))
                at += 44;
            return at;
        }();
        const QByteArray written = target.mid(from, moved * 44);
        file.replace(from, written.size(), written);
        if (cut)
            file.truncate(target.size());
        return file.left(file.size() / 44 * 44) + appends;
    }

private slots:
    void encodedJournalReadsBack_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::newRow("delete") << false;
        QTest::newRow("restore") << true;
    }
    void encodedJournalReadsBack()
    {
        QFETCH(bool, restore);
        ScoreJournal j;
        j.What = restore ? ScoreJournal::Kind::Restore : ScoreJournal::Kind::Delete;
        j.Backup = QStringLiteral("成績累積データ_20261210-153012.bak");
        j.BackupSize = 5 * 44 + 3;
        j.Record = 2;
        j.Removed = Records({2});
        j.Source = QStringLiteral("成績累積データ.restore");
        j.SourceSize = 88;
        j.Appended = Records({7, 8});
        j.OldSize = 223;
        j.Probe = Records({5});
        QString problem;
        const auto back = ScoreJournal::Decode(j.Encode(), &problem);
        QVERIFY2(back, qPrintable(problem));
        QCOMPARE(back->Encode(), j.Encode());
        QCOMPARE(back->What, j.What);
        QCOMPARE(back->Backup, j.Backup);
        QCOMPARE(back->Appended, j.Appended);
        QCOMPARE(back->OldSize, j.OldSize);
        QCOMPARE(back->Probe, j.Probe);
        if (!restore) {
            QCOMPARE(back->Record, 2);
            QCOMPARE(back->Removed, j.Removed);
        } else {
            QCOMPARE(back->Source, j.Source);
        }
    }

    // A journal cut short, changed by a byte, or of another program is refused with a reason.
    void damagedJournalRefused_data()
    {
        QTest::addColumn<int>("damage");
        QTest::newRow("cut short") << 0;
        QTest::newRow("one byte changed") << 1;
        QTest::newRow("empty") << 2;
        QTest::newRow("another file") << 3;
        QTest::newRow("a name with a folder") << 4;
    }
    void damagedJournalRefused()
    {
        QFETCH(int, damage);
        ScoreJournal j;
        j.Backup = QStringLiteral("成績累積データ_20261210-153012.bak");
        j.BackupSize = 88;
        j.Record = 1;
        j.Removed = Records({1});
        QByteArray bytes = j.Encode();
        switch (damage) {
        case 0: bytes.chop(20); break;
        case 1: bytes[bytes.indexOf("record=") + 7] = '9'; break;
        case 2: bytes.clear(); break;
        case 3: bytes = "kind=delete\n"; break;
        case 4: {
            j.Backup = QStringLiteral("../../etc/passwd");
            bytes = j.Encode();
            break;
        }
        }
        QString problem;
        QVERIFY(!ScoreJournal::Decode(bytes, &problem));
        QVERIFY(!problem.isEmpty());
    }

    // The backup must be what the journal says, and hold the removed record where it says.
    void baseContentChecksTheBackup()
    {
        const QByteArray old = Records({1, 2, 3, 4});
        ScoreJournal j;
        j.Backup = QStringLiteral("b");
        j.BackupSize = old.size();
        j.Record = 3;
        j.Removed = Records({3});
        QString problem;
        QCOMPARE(*j.BaseContent(old, QByteArray(), &problem), Records({1, 2, 4}));
        QVERIFY(!j.BaseContent(old.left(88), QByteArray(), &problem));
        QVERIFY(problem.contains(QStringLiteral("大きさ")));
        j.Removed = Records({9});
        QVERIFY(!j.BaseContent(old, QByteArray(), &problem));
        QVERIFY(problem.contains(QStringLiteral("3番")));
    }

    // Wherever a delete stopped, what a PC appended afterwards (not seeing the journal) is found,
    // once, and nothing of the old content is taken for an append.
    void appendedSinceACutOffDelete_data()
    {
        QTest::addColumn<QList<int>>("old");
        QTest::addColumn<QByteArray>("tail"); // a partial record after the old records
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("moved");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QList<int>>("appends");
        const QList<int> five{1, 2, 3, 4, 5};
        for (const int appendCount : {0, 1, 2}) {
            QList<int> appends;
            for (int a = 0; a < appendCount; ++a)
                appends << 100 + a;
            const QByteArray name = QByteArray::number(appendCount) + " appends, ";
            QTest::newRow(name + "nothing moved yet") << five << QByteArray() << 2 << 0 << false << appends;
            QTest::newRow(name + "half moved") << five << QByteArray() << 2 << 2 << false << appends;
            QTest::newRow(name + "all moved, not cut") << five << QByteArray() << 2 << 3 << false << appends;
            QTest::newRow(name + "cut") << five << QByteArray() << 2 << 3 << true << appends;
            QTest::newRow(name + "the last removed, cut") << five << QByteArray() << 5 << 0 << true << appends;
            QTest::newRow(name + "the last removed, not cut") << five << QByteArray() << 5 << 0 << false << appends;
            QTest::newRow(name + "partial tail, not cut") << five << QByteArray("xyz") << 1 << 4 << false << appends;
            QTest::newRow(name + "partial tail, cut") << five << QByteArray("xyz") << 1 << 4 << true << appends;
            QTest::newRow(name + "equal neighbours, not cut") << QList<int>{1, 2, 2, 2, 3} << QByteArray() << 2 << 3 << false << appends;
            QTest::newRow(name + "the only record, cut") << QList<int>{1} << QByteArray() << 1 << 0 << true << appends;
        }
    }
    void appendedSinceACutOffDelete()
    {
        QFETCH(QList<int>, old);
        QFETCH(QByteArray, tail);
        QFETCH(int, n);
        QFETCH(int, moved);
        QFETCH(bool, cut);
        QFETCH(QList<int>, appends);
        const QByteArray before = Records(old) + tail;
        QList<int> kept = old;
        kept.removeAt(n - 1);
        const QByteArray target = Records(kept);
        ScoreJournal j;
        j.NoteStart(target, before);
        const QByteArray current = Stopped(before, target, moved, cut, Records(appends));
        QCOMPARE(j.AppendedSince(target, current), Records(appends));
    }

    // A restore that makes the file longer, stopped while writing beyond the old end.
    void appendedSinceACutOffRestore_data()
    {
        QTest::addColumn<int>("written"); // records of the target written
        QTest::addColumn<QList<int>>("appends");
        for (const int written : {0, 2, 4, 6, 7})
            for (const int count : {0, 1, 2}) {
                QList<int> appends;
                for (int a = 0; a < count; ++a)
                    appends << 100 + a;
                QTest::newRow(qPrintable(QStringLiteral("%1 written, %2 appends").arg(written).arg(count)))
                    << written << appends;
            }
    }
    void appendedSinceACutOffRestore()
    {
        QFETCH(int, written);
        QFETCH(QList<int>, appends);
        const QByteArray before = Records({1, 3, 4});
        const QByteArray target = Records({1, 2, 3, 4, 5, 6, 7});
        ScoreJournal j;
        j.What = ScoreJournal::Kind::Restore;
        j.NoteStart(target, before);
        QByteArray current = before;
        const QByteArray part = target.left(written * 44);
        current.replace(0, part.size(), part);
        current += Records(appends);
        QCOMPARE(j.AppendedSince(target, current), Records(appends));
    }
};

QTEST_GUILESS_MAIN(TestScoreJournal)
#include "tst_ScoreJournal.moc"
