#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include <QtTest>
#include <limits>

// The 44 bytes of a score record, both ways.
class TestScoreRecordCodec : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<double>("date");
        QTest::addColumn<double>("timeOfDay");
        QTest::addColumn<int>("pupil");
        QTest::addColumn<int>("level");
        QTest::addColumn<qint32>("seconds");
        QTest::addColumn<QByteArray>("schoolCode");
        QTest::addColumn<QByteArray>("spare");
        QTest::newRow("an attempt") << 46366.0 << 0.75 << 1234 << 3 << qint32(61) << QByteArray("12345")
                                    << QByteArray("     ");
        QTest::newRow("a time-out") << 46000.0 << 0.3 << 1 << 35 << qint32(99999) << QByteArray("7    ")
                                    << QByteArray("     ");
        QTest::newRow("a date before 1899") << -1.5 << 0.999988 << 0 << 0 << qint32(0) << QByteArray("     ")
                                            << QByteArray("     ");
        // What a damaged file may hold: read as it stands, written back the same.
        QTest::newRow("extremes") << 1e300 << -0.25 << -32768 << 32767 << std::numeric_limits<qint32>::min()
                                  << QByteArray("\x00\xff\x00\xff\x00", 5) << QByteArray("\xff\xff\xff\xff\xff");
        QTest::newRow("a double-byte school code") << 46366.0 << 0.5 << 5000 << 1 << qint32(5999)
                                                   << QByteArray("ab\x8e\x52 ") << QByteArray("x y z");
    }
    void roundTrip()
    {
        QFETCH(double, date);
        QFETCH(double, timeOfDay);
        QFETCH(int, pupil);
        QFETCH(int, level);
        QFETCH(qint32, seconds);
        QFETCH(QByteArray, schoolCode);
        QFETCH(QByteArray, spare);
        ScoreRecord r;
        r.Date = date;
        r.TimeOfDay = timeOfDay;
        r.Pupil = qint16(pupil);
        r.Level = qint16(level);
        r.Seconds = seconds;
        r.SchoolCode = schoolCode;
        r.SpareText2 = spare;
        r.SpareText4 = spare;

        const QByteArray bytes = ScoreRecordCodec::Encode(r);
        QCOMPARE(bytes.size(), ScoreRecordCodec::Size);
        const ScoreRecord back = ScoreRecordCodec::Decode(bytes.constData());
        QCOMPARE(back.Date, date);
        QCOMPARE(back.TimeOfDay, timeOfDay);
        QCOMPARE(back.Pupil, qint16(pupil));
        QCOMPARE(back.Level, qint16(level));
        QCOMPARE(back.Seconds, seconds);
        QCOMPARE(back.SchoolCode, schoolCode);
        QCOMPARE(back.SpareText2, spare);
        QCOMPARE(back.SpareText3, QByteArray("0    "));
        QCOMPARE(back.SpareText4, spare);
        QCOMPARE(ScoreRecordCodec::Encode(back).toHex(), bytes.toHex());

        // The single fields agree with the whole record.
        QCOMPARE(ScoreRecordCodec::Date(bytes.constData()), date);
        QCOMPARE(ScoreRecordCodec::TimeOfDay(bytes.constData()), timeOfDay);
        QCOMPARE(ScoreRecordCodec::Pupil(bytes.constData()), qint16(pupil));
        QCOMPARE(ScoreRecordCodec::Level(bytes.constData()), qint16(level));
        QCOMPARE(ScoreRecordCodec::Seconds(bytes.constData()), seconds);
    }

    // A record as the file holds it, byte by byte, read field by field.
    void decodesTheFileLayout()
    {
        const QByteArray bytes = QByteArray::fromHex(
            "00000000c0a3e640"   // Date 46366 (2026-12-10)
            "000000000000e83f"   // TimeOfDay 0.75 (18:00)
            "d204"               // Pupil 1234
            "0300"               // Level 3
            "9f860100"           // Seconds 99999
            "3132333435"         // "12345"
            "2020202020"         // five blanks
            "3020202020"         // "0" and four blanks
            "2020202020");       // blanks
        const ScoreRecord r = ScoreRecordCodec::Decode(bytes.constData());
        QCOMPARE(r.Date, 46366.0);
        QCOMPARE(r.TimeOfDay, 0.75);
        QCOMPARE(r.Pupil, qint16(1234));
        QCOMPARE(r.Level, qint16(3));
        QCOMPARE(r.Seconds, 99999);
        QCOMPARE(r.SchoolCode, QByteArray("12345"));
        QCOMPARE(r.SpareText2, QByteArray("     "));
        QCOMPARE(r.SpareText3, QByteArray("0    "));
        QCOMPARE(r.SpareText4, QByteArray("     "));
    }

    void textsTakeFiveBytes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("short, padded with blanks") << QByteArray("7") << QByteArray("7    ");
        QTest::newRow("empty, all blanks") << QByteArray() << QByteArray("     ");
        QTest::newRow("long, cut") << QByteArray("1234567") << QByteArray("12345");
    }
    void textsTakeFiveBytes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, stored);
        ScoreRecord r;
        r.SchoolCode = text;
        r.SpareText2 = text;
        r.SpareText3 = text;
        r.SpareText4 = text;
        const ScoreRecord back = ScoreRecordCodec::Decode(ScoreRecordCodec::Encode(r).constData());
        QCOMPARE(back.SchoolCode, stored);
        QCOMPARE(back.SpareText2, stored);
        QCOMPARE(back.SpareText3, stored);
        QCOMPARE(back.SpareText4, stored);
    }

    // A teacher's correction changes the pupil or the time, never the attempt it belongs to.
    void attemptOf()
    {
        ScoreRecord a;
        a.Date = 46366;
        a.TimeOfDay = 0.4;
        a.Pupil = 7;
        a.Level = 2;
        a.Seconds = 80;
        const QByteArray attempt = ScoreRecordCodec::AttemptOf(ScoreRecordCodec::Encode(a));

        ScoreRecord corrected = a;
        corrected.Pupil = 8;
        corrected.Seconds = 75;
        corrected.SchoolCode = "99999";
        QCOMPARE(ScoreRecordCodec::AttemptOf(ScoreRecordCodec::Encode(corrected)), attempt);

        for (int field = 0; field < 3; ++field) {
            ScoreRecord other = a;
            if (field == 0)
                other.Date += 1;
            else if (field == 1)
                other.TimeOfDay += 0.001;
            else
                other.Level = 3;
            QVERIFY2(ScoreRecordCodec::AttemptOf(ScoreRecordCodec::Encode(other)) != attempt, qPrintable(QString::number(field)));
        }
    }
};

QTEST_GUILESS_MAIN(TestScoreRecordCodec)
#include "tst_ScoreRecordCodec.moc"
