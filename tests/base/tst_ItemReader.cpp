#include "base/Cp932.h"
#include "base/ItemReader.h"
#include <QtTest>

class TestItemReader : public QObject {
    Q_OBJECT
private slots:
    void items_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("plain") << "a,b,c" << QStringList{"a", "b", "c"};
        QTest::newRow("blanks before and after") << "  a  ,\tb\t" << QStringList{"a", "b"};
        QTest::newRow("quoted keeps commas and blanks") << "\" x, y \",z" << QStringList{" x, y ", "z"};
        QTest::newRow("text after closing quote dropped") << "\"ab\"cd,e" << QStringList{"ab", "e"};
        QTest::newRow("empty items") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("trailing comma gives empty item") << "a,b,\r\nc" << QStringList{"a", "b", "", "c"};
        QTest::newRow("header of the criteria file")
            << "h1,h2,h3,h4,h5,h6,h7,h8,h9,,,\r\n1"
            << QStringList{"h1", "h2", "h3", "h4", "h5", "h6", "h7", "h8", "h9", "", "", "", "1"};
        QTest::newRow("line ends separate items") << "a\r\nb\nc\rd" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("full-width space kept") << QString::fromUtf8("山田　太郎 ,x")
                                                << QStringList{QString::fromUtf8("山田　太郎"), "x"};
        QTest::newRow("final line end") << "a,b\r\n" << QStringList{"a", "b"};
    }
    void items()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        ItemReader reader(text);
        QStringList got;
        while (auto item = reader.Next())
            got << *item;
        QCOMPARE(got, items);
        QVERIFY(!reader.Next().has_value()); // past the last item stays an error
    }

    void atEnd()
    {
        ItemReader reader("a,b\r\n\r\n  ");
        QVERIFY(!reader.AtEnd());
        reader.Next();
        reader.Next();
        QVERIFY(reader.AtEnd());
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("isNumber");
        QTest::newRow("integer") << "12" << 12.0 << true;
        QTest::newRow("decimal") << "1.5" << 1.5 << true;
        QTest::newRow("negative") << "-3" << -3.0 << true;
        QTest::newRow("fraction text") << "1/2" << 1.0 << true;
        QTest::newRow("comma text") << "1,2" << 1.0 << true;
        QTest::newRow("star first") << "*5" << 0.0 << false;
        QTest::newRow("empty") << "" << 0.0 << false;
        QTest::newRow("header name") << QString::fromUtf8("目標Time") << 0.0 << false;
        QTest::newRow("school code prefix") << QString::fromUtf8("12345") << 12345.0 << true;
        QTest::newRow("blanks first") << "  7x" << 7.0 << true;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, isNumber);
        bool got = !isNumber;
        QCOMPARE(ItemReader::LeadingNumber(text, &got), value);
        QCOMPARE(got, isNumber);
    }

    void cp932_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("circled one") << QString::fromUtf8("①") << QByteArray("\x87\x40");
        QTest::newRow("roman one") << QString::fromUtf8("Ⅰ") << QByteArray("\x87\x54");
        QTest::newRow("wave dash as Windows") << QString::fromUtf8("～") << QByteArray("\x81\x60");
        QTest::newRow("full-width minus") << QString::fromUtf8("－") << QByteArray("\x81\x7c");
        QTest::newRow("title") << QString::fromUtf8("ゾメ２") << QByteArray("\x83\x5d\x83\x81\x82\x51");
    }
    void cp932()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Cp932::Encode(text), bytes);
        QCOMPARE(Cp932::Decode(bytes), text);
    }

    void cp932Fixed()
    {
        QCOMPARE(Cp932::EncodeFixed("12345", 5), QByteArray("12345"));
        QCOMPARE(Cp932::EncodeFixed("", 5), QByteArray("     "));
        QCOMPARE(Cp932::EncodeFixed("1234567", 5), QByteArray("12345"));
        // A double-byte character is never split.
        QCOMPARE(Cp932::EncodeFixed(QString::fromUtf8("ab山田"), 5), QByteArray("ab\x8e\x52 "));
    }
};

QTEST_GUILESS_MAIN(TestItemReader)
#include "tst_ItemReader.moc"
