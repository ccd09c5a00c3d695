// The record browser's lines, its list of a real score file, and the checks of what a teacher
// changes in a record.
#include "teacher/RecordLines.h"
#include "teacher/RecordListModel.h"
#include "base/FatalError.h"
#include "base/OleDate.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include "support/TestInstallation.h"
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

namespace {
const QDate Today(2026, 12, 10);
// 2026 is the school year: reference year 2015 is 小５, 2014 小６, 2020 幼３.
constexpr int SchoolYear = 2026;

ScoreRecord Record(int pupil, int level, qint32 seconds, const QDate& date = Today, const QTime& time = QTime(10, 0),
                   const QByteArray& school = "12345")
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(date);
    r.TimeOfDay = OleDate::FromTime(time);
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    r.SchoolCode = school;
    return r;
}

void WriteRecords(const QString& path, const std::vector<ScoreRecord>& records)
{
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += ScoreRecordCodec::Encode(r);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList Lines(const RecordListModel& model)
{
    QStringList lines;
    for (int row = 0; row < model.rowCount(); ++row)
        lines << model.index(row).data().toString();
    return lines;
}
} // namespace

Q_DECLARE_METATYPE(ScoreRecord)

class TestRecordLines : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Inst;
    RosterTables Roster;
    RecordLines::Tables Tables;

private slots:
    void init()
    {
        Inst = std::make_unique<TestInstallation>();
        // Pupil 3 is hidden (status 1): the lines still name him, the chooser does not offer him.
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2014,0,0,鈴木一郎,1,,\n"
                                         "4,2020,0,0,長谷川寿限無太郎,0,,\n5,2015,0,0,ﾔﾏﾀﾞ ﾊﾅｺ,0,,\n"));
        Roster = RosterTables();
        QVERIFY(RosterFile::LoadRoster(Inst->DataRoot, 0, SchoolYear, Roster));
        Tables = RecordLines::MakeTables(Roster, QStringLiteral("12345"), QStringLiteral("テスト小学校"));
    }

    void line_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<ScoreRecord>("record");
        QTest::addColumn<QString>("expected");
        QTest::newRow("own school")
            << 1 << Record(1, 3, 45, Today, QTime(9, 5, 3))
            << QStringLiteral("   1 2026/12/10　  9:05:03ﾚﾍﾞﾙ3　   45秒 　   1 山田太郎　　 小５++テスト小学校");
        QTest::newRow("another school, timed out, a number past four places")
            << 12345 << Record(2, 12, 99999, QDate(2027, 1, 5), QTime(23, 59, 59), "99999")
            << QStringLiteral("12345 2027/01/05　 23:59:59ﾚﾍﾞﾙ12　99999秒 　   2 佐藤花子　　 小５++他塾");
        QTest::newRow("school code in another case")
            << 2 << Record(1, 1, 30, Today, QTime(10, 0), "1234 ")
            << QStringLiteral("   2 2026/12/10　 10:00:00ﾚﾍﾞﾙ1　   30秒 　   1 山田太郎　　 小５++他塾");
        QTest::newRow("hidden pupil still named")
            << 3 << Record(3, 2, 61, Today, QTime(0, 0, 1))
            << QStringLiteral("   3 2026/12/10　  0:00:01ﾚﾍﾞﾙ2　   61秒 　   3 鈴木一郎　　 小６++テスト小学校");
        QTest::newRow("long name cut to six")
            << 7 << Record(4, 1, 120)
            << QStringLiteral("   7 2026/12/10　 10:00:00ﾚﾍﾞﾙ1　  120秒 　   4 長谷川寿限無 幼３++テスト小学校");
        QTest::newRow("half-width name")
            << 8 << Record(5, 1, 0)
            << QStringLiteral("   8 2026/12/10　 10:00:00ﾚﾍﾞﾙ1　    0秒 　   5 ﾔﾏﾀﾞ ﾊ 小５++テスト小学校");
        QTest::newRow("pupil not on the roster")
            << 9 << Record(77, 1, 5)
            << QStringLiteral("   9 2026/12/10　 10:00:00ﾚﾍﾞﾙ1　    5秒 　  77 　　　　　　 ++テスト小学校");
        ScoreRecord damaged = Record(-5, 40, -3, Today, QTime(10, 0), "\xff\xff\xff\xff\xff");
        damaged.Date = std::numeric_limits<double>::quiet_NaN();
        damaged.TimeOfDay = std::numeric_limits<double>::infinity();
        QTest::newRow("damaged record")
            << 10 << damaged
            << QStringLiteral("  10 ----/--/--　  -:--:--ﾚﾍﾞﾙ40　   -3秒 　  -5 　　　　　　 ++他塾");
    }
    void line()
    {
        QFETCH(int, number);
        QFETCH(ScoreRecord, record);
        QFETCH(QString, expected);
        QCOMPARE(RecordLines::Line(RecordLines::MakeEntry(number, record, Tables.SchoolCode), Tables), expected);
    }

    // An installation without a school code writes five blanks, and its own records say so.
    void emptySchoolCodeIsOwn()
    {
        const RecordLines::Tables t = RecordLines::MakeTables(Roster, QString(), QStringLiteral("わが塾"));
        const RecordLines::Entry e = RecordLines::MakeEntry(1, Record(1, 1, 30, Today, QTime(10, 0), "     "), t.SchoolCode);
        QVERIFY(RecordLines::Line(e, t).endsWith(QStringLiteral("++わが塾")));
    }

    void captions()
    {
        const ScoreRecord r = Record(1, 7, 45, QDate(2026, 4, 1), QTime(8, 0, 9));
        QCOMPARE(RecordLines::LevelCaption(r.Level), QStringLiteral("7ﾚﾍﾞﾙ"));
        QCOMPARE(RecordLines::DateCaption(r.Date, r.TimeOfDay), QStringLiteral("2026/04/01　8:00:09"));
        QCOMPARE(RecordLines::CountText(100000), QStringLiteral("総レコード数:100000"));
    }

    void pupilChoicesAreTheListedPupils()
    {
        QStringList texts;
        for (const RecordLines::PupilChoice& c : RecordLines::PupilChoices(Roster))
            texts << QString::number(c.Number) + u'|' + c.Text;
        QCOMPARE(texts, QStringList({QStringLiteral("1|1 /  山田太郎"), QStringLiteral("2|2 /  佐藤花子"),
                                     QStringLiteral("4|4 /  長谷川寿限無太郎"), QStringLiteral("5|5 /  ﾔﾏﾀﾞ ﾊﾅｺ")}));
    }

    // A level-0 record is left out; the records after it keep their own numbers, and the counter
    // counts every record.
    void listKeepsRecordNumbers()
    {
        RecordListModel model;
        model.SetTables(Tables);
        model.SetRecords({Record(1, 1, 10), Record(2, 0, 20), Record(1, 2, 30), Record(2, 0, 40), Record(2, 3, 50)});
        QCOMPARE(model.TotalRecords(), qint64(5));
        QCOMPARE(model.rowCount(), 3);
        QStringList numbers;
        for (const QString& line : Lines(model))
            numbers << line.left(4).trimmed() + u'@' + line.mid(31, 5).trimmed();
        QCOMPARE(numbers, QStringList({QStringLiteral("1@10"), QStringLiteral("3@30"), QStringLiteral("5@50")}));
        QCOMPARE(model.index(1).data(RecordListModel::RecordNumberRole).toInt(), 3);
        QCOMPARE(model.RowOf(3), 1);
        QCOMPARE(model.RowOf(5), 2);
        QCOMPARE(model.RowOf(2), -1);
        QCOMPARE(model.RowOf(6), -1);
    }

    // The list of a real file: its whole records in order, a partial record at the end left out.
    void loadsTheFile()
    {
        const ScoreFile file(Inst->DataFolder);
        WriteRecords(file.Path(), {Record(1, 1, 10), Record(2, 2, 20, Today, QTime(10, 0), "99999")});
        {
            QFile f(file.Path());
            QVERIFY(f.open(QIODevice::Append));
            QCOMPARE(f.write(QByteArray(20, 'x')), qint64(20));
        }
        RecordListModel model;
        model.SetTables(Tables);
        model.Load(file);
        QCOMPARE(model.TotalRecords(), qint64(2));
        QCOMPARE(Lines(model),
                 QStringList({QStringLiteral("   1 2026/12/10　 10:00:00ﾚﾍﾞﾙ1　   10秒 　   1 山田太郎　　 小５++テスト小学校"),
                              QStringLiteral("   2 2026/12/10　 10:00:00ﾚﾍﾞﾙ2　   20秒 　   2 佐藤花子　　 小５++他塾")}));
    }

    // A lost file is said, naming it, and is not made anew (an empty list would say there is nothing).
    void missingFileIsNotMade()
    {
        const ScoreFile file(Inst->DataFolder);
        RecordListModel model;
        model.SetTables(Tables);
        model.SetRecords({Record(1, 1, 10)});
        try {
            model.Load(file);
            QFAIL("no error for a missing file");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(file.Path())), qPrintable(e.Message));
        }
        QVERIFY(!QFileInfo::exists(file.Path()));
        QCOMPARE(model.rowCount(), 1);
    }

    void checkEdit_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("pupil");
        QTest::addColumn<int>("loadedPupil");
        QTest::addColumn<int>("expectedSeconds"); // -1: rejected
        QTest::addColumn<int>("expectedPupil");
        QTest::addColumn<QString>("problemNames");

        QTest::newRow("chosen entry") << "45" << "2 /  佐藤花子" << 1 << 45 << 2 << "";
        QTest::newRow("largest time") << "99999" << "1 /  山田太郎" << 1 << 99999 << 1 << "";
        QTest::newRow("zero seconds") << "0" << "1 /  山田太郎" << 1 << 0 << 1 << "";
        QTest::newRow("full-width digits and slash") << "４５" << "２／佐藤花子" << 1 << 45 << 2 << "";
        QTest::newRow("number with slash only") << " 45 " << "2/" << 1 << 45 << 2 << "";
        QTest::newRow("half-width name as written") << "45" << "5 /  ﾔﾏﾀﾞ ﾊﾅｺ" << 1 << 45 << 5 << "";
        QTest::newRow("hidden pupil kept") << "45" << "3 /  鈴木一郎" << 3 << 45 << 3 << "";
        QTest::newRow("pupil off the roster kept") << "45" << "77 /  " << 77 << 45 << 77 << "";

        QTest::newRow("seconds past the range") << "100000" << "1 /  山田太郎" << 1 << -1 << 0 << "100000";
        QTest::newRow("seconds not a number") << "abc" << "1 /  山田太郎" << 1 << -1 << 0 << "abc";
        QTest::newRow("negative seconds") << "-1" << "1 /  山田太郎" << 1 << -1 << 0 << "-1";
        QTest::newRow("fractional seconds") << "12.5" << "1 /  山田太郎" << 1 << -1 << 0 << "12.5";
        QTest::newRow("no seconds") << "" << "1 /  山田太郎" << 1 << -1 << 0 << "秒数";
        QTest::newRow("name typed by hand") << "45" << "山田" << 1 << -1 << 0 << "山田";
        QTest::newRow("number typed without slash") << "45" << "2" << 1 << -1 << 0 << "「2」";
        QTest::newRow("no pupil") << "45" << "" << 1 << -1 << 0 << "生徒";
        QTest::newRow("number of nobody") << "45" << "99 /  誰か" << 1 << -1 << 0 << "99";
        // 0 is nobody's: how a teacher takes a record out of every list.
        QTest::newRow("pupil zero") << "45" << "0 /  " << 1 << 45 << 0 << "";
        QTest::newRow("pupil zero, no name") << "45" << "0" << 1 << -1 << 0 << "番号 /  名前";
        QTest::newRow("hidden pupil chosen for another") << "45" << "3 /  鈴木一郎" << 1 << -1 << 0 << "鈴木一郎";
        QTest::newRow("number and name disagree") << "45" << "2 /  山田太郎" << 1 << -1 << 0 << "佐藤花子";
        QTest::newRow("number too long") << "45" << "000001 /  山田太郎" << 1 << -1 << 0 << "000001";
    }
    void checkEdit()
    {
        QFETCH(QString, seconds);
        QFETCH(QString, pupil);
        QFETCH(int, loadedPupil);
        QFETCH(int, expectedSeconds);
        QFETCH(int, expectedPupil);
        QFETCH(QString, problemNames);
        const RecordLines::Checked c = RecordLines::CheckEdit(seconds, pupil, qint16(loadedPupil), Roster);
        if (expectedSeconds < 0) {
            QVERIFY(!c.Ok);
            QVERIFY2(c.Problem.contains(problemNames), qPrintable(c.Problem));
            return;
        }
        QVERIFY2(c.Ok, qPrintable(c.Problem));
        QCOMPARE(c.Seconds, expectedSeconds);
        QCOMPARE(int(c.Pupil), expectedPupil);
    }

    void rowAfterRemoval_data()
    {
        QTest::addColumn<int>("removedRow");
        QTest::addColumn<int>("rowsLeft");
        QTest::addColumn<int>("expected");
        QTest::newRow("middle: same position") << 1 << 4 << 1;
        QTest::newRow("first") << 0 << 4 << 0;
        QTest::newRow("last: new last") << 4 << 4 << 3;
        QTest::newRow("only line") << 0 << 0 << -1;
    }
    void rowAfterRemoval()
    {
        QFETCH(int, removedRow);
        QFETCH(int, rowsLeft);
        QFETCH(int, expected);
        QCOMPARE(RecordLines::RowAfterRemoval(removedRow, rowsLeft), expected);
    }
};

QTEST_GUILESS_MAIN(TestRecordLines)
#include "tst_RecordLines.moc"
