#include "support/AppCalls.h"
#include "records/PassCriteriaFile.h"
#include "support/TestScopes.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "support/TestInstallation.h"
#include <QtTest>
#include <sys/stat.h>

namespace {
const QString Header = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\n");
const QString Missing = QStringLiteral("<no file>");

QString Rows(int count)
{
    QString text = Header;
    for (int level = 1; level <= count; ++level)
        text += QStringLiteral("%1,90,100,5,1,0,0,7,7,,,\n").arg(level * 10);
    return text;
}

// Values no file in these cases writes, to see which rows a load replaced.
void MarkTable()
{
    for (int row = 0; row < PassCriteriaFile::Rows; ++row) {
        TestSchool().Criteria[row].TargetTime = 7000 + row;
        TestSchool().Criteria[row].ClearCount = 77;
    }
}
} // namespace

class TestPassCriteriaFile : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ResetTestScopes();
        Install = std::make_unique<TestInstallation>();
        Install->ApplyTo(TestSchool());
        MarkTable();
    }

    void load_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");     // parts of the message; empty when the load succeeds
        QTest::addColumn<int>("row");           // the row checked after a successful load
        QTest::addColumn<int>("targetTime");
        QTest::addColumn<int>("lowestTime");
        QTest::addColumn<int>("clearCount");
        QTest::addColumn<float>("pointRate");
        QTest::addColumn<int>("banCountKind");
        QTest::addColumn<double>("judgeDays");
        QTest::addColumn<int>("firstKeptRow");  // rows from here on keep what they held before

        const int number = int(CriteriaValue::Kind::Number);
        const int empty = int(CriteriaValue::Kind::Empty);
        const int text = int(CriteriaValue::Kind::Text);
        QTest::newRow("good file")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n45,80,120,6,1.5,3,200,14,3,,,\n" << QString()
            << 2 << 45 << 80 << 6 << 1.5f << number << 14.0 << 3;
        QTest::newRow("header text gives zeros and keeps the texts")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n" << QString() << 0 << 0 << 0 << 0 << 0.0f << text << 0.0 << 2;
        QTest::newRow("empty variant items")
            << Header + "60,90,100,5,1,,,,7,,,\n" << QString() << 1 << 60 << 90 << 5 << 1.0f << empty << 0.0 << 2;
        QTest::newRow("25 lines fill levels 1-24")
            << Rows(24) << QString() << 24 << 240 << 90 << 5 << 1.0f << number << 7.0 << 25;
        QTest::newRow("36 lines fill every level")
            << Rows(35) << QString() << 35 << 350 << 90 << 5 << 1.0f << number << 7.0 << 36;
        QTest::newRow("a row split over two lines is refused")
            << Header + "60,90,100\n5,1,0,0,7,7,,,\n" << QStringLiteral("2行目|3個|12個") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("blank line between rows")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n\n45,80,120,6,1.5,3,200,14,3,,,\n" << QStringLiteral("3行目|空の行")
            << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("one comma too many")
            << Header + "60,90,100,5,1,0,0,7,7,,,,\n" << QStringLiteral("2行目|13個") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("header only") << Header << QStringLiteral("2行目|レベルの行がありません")
                                     << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("empty file") << QString() << QStringLiteral("1行目|空") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("cut before the menu's last level")
            << Rows(2) << QStringLiteral("4行目|レベル3の行がありません") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 3;
        QTest::newRow("400-digit number") << Header + QString(400, u'9') + ",90,100,5,1,0,0,7,7,,,\n"
                                          << QStringLiteral("2行目|大きすぎ") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("400-digit number in a variant field") << Header + "60,90,100,5,1," + QString(400, u'9') + ",0,7,7,,,\n"
                                          << QStringLiteral("2行目|6番目|大きすぎ") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("rate beyond single precision") << Header + "60,90,100,5," + QString(40, u'9') + ",0,0,7,7,,,\n"
                                          << QStringLiteral("2行目|ﾎﾟｲﾝﾄ倍率") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("end-of-file byte at the end")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n\x1a" << QString() << 1 << 60 << 90 << 5 << 1.0f << number << 7.0 << 2;
        QTest::newRow("end-of-file byte in the middle ends the file")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n\x1a" "45,80,120,6,1.5,3,200,14,3,,,\n" << QString()
            << 1 << 60 << 90 << 5 << 1.0f << number << 7.0 << 2;
        QTest::newRow("integer fields take the leading number")
            << Header + "60秒,90.6,100,5回,1.25倍,2,0,7,7,,,\n" << QString() << 1 << 60 << 91 << 5 << 1.25f << number << 7.0 << 2;
        QTest::newRow("no line end after the last row")
            << Header + "60,90,100,5,1,0,0,7,7,a,b,c" << QString() << 1 << 60 << 90 << 5 << 1.0f << number << 7.0 << 2;
        QTest::newRow("ClearCount at its limits")
            << Header + "60,90,100,32767,1,0,0,7,7,,,\n60,90,100,-32768,1,0,0,7,7,,,\n" << QString()
            << 1 << 60 << 90 << 32767 << 1.0f << number << 7.0 << 3;
        QTest::newRow("32-bit field at its limit")
            << Header + "2147483647,90,100,5,1,0,0,7,7,,,\n" << QString() << 1 << 2147483647 << 90 << 5 << 1.0f << number << 7.0 << 2;

        QTest::newRow("missing file") << Missing << QStringLiteral("ありません") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("short last row")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n60,90,100\n" << QStringLiteral("3行目|3個")
            << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("more than 36 rows")
            << Rows(36) << QStringLiteral("37行目|多すぎ") << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("ClearCount 32768 overflows")
            << Header + "60,90,100,5,1,0,0,7,7,,,\n60,90,100,32768,1,0,0,7,7,,,\n" << QStringLiteral("3行目|ｸﾘｱ回数|32768")
            << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("TargetTime 2147483648 overflows")
            << Header + "2147483648,90,100,5,1,0,0,7,7,,,\n" << QStringLiteral("2行目|目標Time")
            << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
        QTest::newRow("ClearPoints far below its range")
            << Header + "60,90,-3000000000,5,1,0,0,7,7,,,\n" << QStringLiteral("2行目|ｸﾘｱﾎﾟｲﾝﾄ")
            << 0 << 0 << 0 << 0 << 0.0f << 0 << 0.0 << 0;
    }
    void load()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(int, row);
        QFETCH(int, firstKeptRow);
        // The menu's three levels need their rows only where a case says so.
        const int required = QByteArray(QTest::currentDataTag()).startsWith("cut before") ? 3 : 1;
        if (text.contains(QChar(0x1a))) {
            // The CP932 encoder has no 0x1A byte to give, so the file is put together around it.
            const QStringList parts = text.split(QChar(0x1a));
            QByteArray bytes;
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    bytes += '\x1a';
                bytes += Cp932::Encode(QString(parts[i]).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
            }
            QFile f(PassCriteriaFile::Path(TestSchool().DataFolder));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        } else if (text != Missing) {
            TestInstallation::WriteText(PassCriteriaFile::Path(TestSchool().DataFolder), text);
        }

        if (!error.isEmpty()) {
            const auto before = TestSchool().Criteria;
            try {
                AppCalls::LoadPassCriteria(required);
                QFAIL("a damaged file was accepted");
            } catch (const FatalError& e) {
                QVERIFY2(e.Message.contains(QDir::toNativeSeparators(PassCriteriaFile::Path(TestSchool().DataFolder))), qPrintable(e.Message));
                for (const QString& part : error.split(u'|'))
                    QVERIFY2(e.Message.contains(part), qPrintable(e.Message));
            }
            for (int r = 0; r < PassCriteriaFile::Rows; ++r) {
                QCOMPARE(TestSchool().Criteria[r].TargetTime, before[r].TargetTime);
                QCOMPARE(TestSchool().Criteria[r].ClearCount, before[r].ClearCount);
            }
            return;
        }

        AppCalls::LoadPassCriteria(required);
        const PassCriteria& c = TestSchool().Criteria[row];
        QTEST(int(c.TargetTime), "targetTime");
        QTEST(int(c.LowestTime), "lowestTime");
        QTEST(int(c.ClearCount), "clearCount");
        QTEST(c.PointRate, "pointRate");
        QTEST(int(c.BanCount.GetKind()), "banCountKind");
        QTEST(c.JudgeDays.Number(), "judgeDays");
        for (int r = 0; r < firstKeptRow; ++r)
            QVERIFY2(TestSchool().Criteria[r].ClearCount != 77, qPrintable(QString::number(r)));
        for (int r = firstKeptRow; r < PassCriteriaFile::Rows; ++r) {
            QCOMPARE(TestSchool().Criteria[r].TargetTime, 7000 + r);
            QCOMPARE(TestSchool().Criteria[r].ClearCount, qint16(77));
        }
    }

    // A pipe in place of the file would hang start-up; a file without read permission is not
    // "missing".
    void fileThatCannotBeRead()
    {
        const QString path = PassCriteriaFile::Path(TestSchool().DataFolder);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        try {
            AppCalls::LoadPassCriteria(1);
            QFAIL("read a pipe");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QStringLiteral("普通のファイルではありません")), qPrintable(e.Message));
        }
        QFile::remove(path);
        TestInstallation::WriteText(path, Rows(3));
        QFile::setPermissions(path, QFileDevice::Permissions());
        if (QFile(path).open(QIODevice::ReadOnly)) {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QSKIP("this process reads files whatever their permissions (root)");
        }
        try {
            AppCalls::LoadPassCriteria(1);
            QFAIL("read a file without permission");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QStringLiteral("読めません")), qPrintable(e.Message));
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    // The variant fields keep what the editor shows again: a number, an empty cell or the text.
    void variantFieldsKeepTheirItems()
    {
        TestInstallation::WriteText(PassCriteriaFile::Path(TestSchool().DataFolder), Header + "60,90,100,5,1,10,,abc,07.50,x,,3\n");
        AppCalls::LoadPassCriteria(1);
        const PassCriteria& c = TestSchool().Criteria[1];
        QCOMPARE(c.BanCount.Number(), 10.0);
        QCOMPARE(c.BanPoints.GetKind(), CriteriaValue::Kind::Empty);
        QCOMPARE(c.JudgeDays.GetKind(), CriteriaValue::Kind::Text);
        QCOMPARE(c.JudgeDays.Number(), 0.0);
        QCOMPARE(c.BanDays.ToText(), QStringLiteral("7.5"));
        QCOMPARE(c.Extra10.ToText(), QStringLiteral("x"));
        QCOMPARE(c.Extra11.GetKind(), CriteriaValue::Kind::Empty);
        QCOMPARE(c.Extra12.Number(), 3.0);
    }

private:
    std::unique_ptr<TestInstallation> Install;
};

QTEST_GUILESS_MAIN(TestPassCriteriaFile)
#include "tst_PassCriteriaFile.moc"
