#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include "teacher/ClassOverview.h"
#include "teacher/ClassOverviewModel.h"
#include <QtTest>

Q_DECLARE_METATYPE(ClassOverview::Period)
Q_DECLARE_METATYPE(ScoreRecord)

namespace {
// Thursday 10 December 2026: school year 2026, so reference year 2015 is 小５ and 2014 小６.
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));

ScoreRecord Attempt(int pupil, int level, int seconds, int daysAgo, int minute = 0)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Now.date().addDays(-daysAgo));
    r.TimeOfDay = OleDate::FromTime(QTime(10, minute));
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

// `n` attempts of `seconds` on `level` today.
QList<ScoreRecord> Today(int pupil, int level, int seconds, int n)
{
    QList<ScoreRecord> records;
    for (int k = 0; k < n; ++k)
        records << Attempt(pupil, level, seconds, 0, 20 + k);
    return records;
}

// Level `level`'s four texts of `pupil`'s row: attempts, best, points, mark.
QString LevelTexts(const ClassOverview::Table& table, int pupil, int level)
{
    for (const ClassOverview::Row& row : table.Rows)
        if (row.Pupil == pupil)
            return ClassOverview::RowTexts(row).mid(2 + 4 * (level - 1), 4).join(u'|');
    return QStringLiteral("no row");
}

QString Marks(const ClassOverview::Table& table, int pupil)
{
    QStringList marks;
    for (int l = 1; l <= table.LevelCount; ++l)
        marks << LevelTexts(table, pupil, l).section(u'|', 3);
    return marks.join(u'|');
}

QString ClassMarks(const ClassOverview::Table& table)
{
    const QStringList texts = ClassOverview::SummaryTexts(table);
    QStringList marks;
    for (int l = 1; l <= table.LevelCount; ++l)
        marks << texts.value(1 + 4 * l);
    return marks.join(u'|');
}
} // namespace

// The class overview worked out by hand for a small class: three fifth-graders (one who passed
// level 1 and began levels 2 and 3, one barred for overdoing on level 2, one who has not started)
// and a sixth-grader the grade filter leaves out.
class TestClassOverview : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    std::unique_ptr<TestInstallation> Inst;

    static QList<ScoreRecord> ClassRecords()
    {
        return {Attempt(1, 1, 30, 0), Attempt(1, 1, 30, 2), Attempt(1, 2, 45, 10),
                Attempt(2, 2, 50, 0, 1), Attempt(2, 2, 50, 0, 2), Attempt(2, 2, 50, 0, 3),
                Attempt(4, 1, 25, 0), Attempt(1, 3, 99999, 0, 5)};
    }

    // The overview as the teacher's screen asks for it, from the last `given` records (all: -1).
    ClassOverview::Table Compute(ClassOverview::Period period, const QString& grades = QStringLiteral("小５"),
                                 int given = -1)
    {
        AppCalls::ComputeResultTables();
        RosterFile::LoadRoster(TestSchool().DataRoot, 0, 2026, TestSchool().Roster);
        std::vector<ScoreRecord> records = AppCalls::File().ReadLastRecords(20000);
        if (given >= 0)
            records.erase(records.begin(), records.end() - std::min<std::ptrdiff_t>(given, std::ssize(records)));
        return ClassOverview::Compute(records, StateViews::ListInputs(TestSchool(), TestSession(), TestEnv(), TestSchool().Roster, grades), period);
    }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        TestSchool().Catalogue.Build();
        // Pass: 20 points and 2 attempts in 7 days; bar: 3 attempts in 7 days. 30 s earns 11
        // points on a 60 s target, 45 s 5, 50 s 5.
        Inst->WriteCriteria(QStringLiteral("60,90,20,2,1,3,0,7,7,,,\n60,90,20,2,1,3,0,7,7,,,\n60,90,20,2,1,3,0,7,7,,,\n"));
        AppCalls::LoadPassCriteria();
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2015,0,0,鈴木一郎,0,,\n"
                                         "4,2014,0,0,高橋次郎,0,,\n"));
        AppCalls::WriteScoreRecords(ClassRecords());
    }

    void handWorked_data()
    {
        QTest::addColumn<ClassOverview::Period>("period");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("classRow");
        using P = ClassOverview::Period;
        const QString pupil2 = QStringLiteral("2|佐藤花子||||－|3|50|15|△禁||||－|3|15");
        const QString pupil3 = QStringLiteral("3|鈴木一郎||||－||||－||||－||");
        QTest::newRow("this week")
            << P::ThisWeek
            << QStringList{QStringLiteral("1|山田太郎|2|30|22|◎|||5|△||||△|2|27"), pupil2, pupil3}
            << QStringLiteral("|クラス（3人）|2|30||◎1|3|50||◎0||||◎0|5|42");
        QTest::newRow("today")
            << P::Today
            << QStringList{QStringLiteral("1|山田太郎|1|30|22|◎|||5|△||||△|1|27"), pupil2, pupil3}
            << QStringLiteral("|クラス（3人）|1|30||◎1|3|50||◎0||||◎0|4|42");
        // Monday 30 November is the first day of last week.
        QTest::newRow("since last week")
            << P::SinceLastWeek
            << QStringList{QStringLiteral("1|山田太郎|2|30|22|◎|1|45|5|△||||△|3|27"), pupil2, pupil3}
            << QStringLiteral("|クラス（3人）|2|30||◎1|4|48||◎0||||◎0|6|42");
    }
    // Passed, barred, begun, not started; the time-out counts no attempt and no best time but
    // shows level 3 begun; the sixth-grader is left out of the rows and of the class's figures.
    void handWorked()
    {
        QFETCH(ClassOverview::Period, period);
        QFETCH(QStringList, rows);
        QFETCH(QString, classRow);
        const ClassOverview::Table table = Compute(period);
        QStringList shown;
        for (const ClassOverview::Row& row : table.Rows)
            shown << ClassOverview::RowTexts(row).join(u'|');
        QCOMPARE(shown, rows);
        QCOMPARE(ClassOverview::SummaryTexts(table).join(u'|'), classRow);
    }

    void gradeFilter()
    {
        QCOMPARE(int(Compute(ClassOverview::Period::All, QStringLiteral("小６")).Rows.size()), 1);
        QCOMPARE(int(Compute(ClassOverview::Period::All, QStringLiteral("全学年")).Rows.size()), 4);
    }

    // Sorted by any column, numbers in order, the class's row last.
    void sortByAnyColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<QList<int>>("pupils");
        QTest::newRow("number down") << 0 << int(Qt::DescendingOrder) << QList<int>{3, 2, 1};
        QTest::newRow("attempts of all levels down") << 14 << int(Qt::DescendingOrder) << QList<int>{2, 1, 3};
        QTest::newRow("level 2 best up (none last)") << 7 << int(Qt::AscendingOrder) << QList<int>{2, 1, 3};
        QTest::newRow("level 1 points down") << 4 << int(Qt::DescendingOrder) << QList<int>{1, 2, 3};
        QTest::newRow("level 2 mark down (barred, begun, not started)") << 9 << int(Qt::DescendingOrder) << QList<int>{2, 1, 3};
        QTest::newRow("level 3 mark up (not started first)") << 13 << int(Qt::AscendingOrder) << QList<int>{2, 3, 1};
    }
    void sortByAnyColumn()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(QList<int>, pupils);
        ClassOverviewModel model;
        model.SetTable(Compute(ClassOverview::Period::ThisWeek));
        QCOMPARE(model.columnCount(), 2 + 4 * 3 + 2);
        model.sort(column, Qt::SortOrder(order));
        QList<int> sorted;
        for (int row = 0; row + 1 < model.rowCount(); ++row)
            sorted << model.PupilAt(row);
        QCOMPARE(sorted, pupils);
        QVERIFY(model.data(model.index(model.rowCount() - 1, 1)).toString().startsWith(QStringLiteral("クラス")));
    }

    // The file a spreadsheet opens: a byte order mark, CR LF, a quoted field where a comma stands.
    void csvBytes()
    {
        ClassOverview::Table table = Compute(ClassOverview::Period::ThisWeek);
        table.Rows[2].Name = QStringLiteral("鈴木,一郎");
        const QByteArray csv = ClassOverview::Csv(table);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QList<QByteArray> lines = csv.mid(3).split('\n');
        QCOMPARE(lines.size(), 6); // heading, three pupils, the class, and the end
        QCOMPARE(lines[0], QStringLiteral("番号,名前,レベル１ 回数（今週）,レベル１ 最高（今週）,レベル１ 点（今まで）,"
                                          "レベル１ 合否（最近7日）,レベル２ 回数（今週）,レベル２ 最高（今週）,"
                                          "レベル２ 点（今まで）,レベル２ 合否（最近7日）,レベル３ 回数（今週）,"
                                          "レベル３ 最高（今週）,レベル３ 点（今まで）,レベル３ 合否（最近7日）,"
                                          "合計 回数（今週）,合計 点（今まで）\r").toUtf8());
        QCOMPARE(lines[1], QStringLiteral("1,山田太郎,2,30,22,◎,,,5,△,,,,△,2,27\r").toUtf8());
        QCOMPARE(lines[3], QStringLiteral("3,\"鈴木,一郎\",,,,－,,,,－,,,,－,,\r").toUtf8());
        QCOMPARE(lines[5], QByteArray());
    }

    // Every heading says which period its figures cover: attempts and best times the chosen one,
    // points all time, the mark its own level's judgement window (not the ban window).
    void headingsNamePeriods_data()
    {
        QTest::addColumn<ClassOverview::Period>("period");
        QTest::addColumn<QString>("chosen");
        using P = ClassOverview::Period;
        QTest::newRow("today") << P::Today << QStringLiteral("今日");
        QTest::newRow("this week") << P::ThisWeek << QStringLiteral("今週");
        QTest::newRow("since last week") << P::SinceLastWeek << QStringLiteral("先週から");
        QTest::newRow("a year") << P::Year << QStringLiteral("１年間");
        QTest::newRow("all") << P::All << QStringLiteral("今まで");
    }
    void headingsNamePeriods()
    {
        QFETCH(ClassOverview::Period, period);
        QFETCH(QString, chosen);
        Inst->WriteCriteria(QStringLiteral("60,90,20,2,1,3,0,7,5,,,\n60,90,20,2,1,3,0,14,5,,,\n60,90,20,2,1,3,0,30,5,,,\n"));
        AppCalls::LoadPassCriteria();
        QStringList expected{QStringLiteral("番号"), QStringLiteral("名前")};
        const QStringList windows{QStringLiteral("7"), QStringLiteral("14"), QStringLiteral("30")};
        for (int l = 1; l <= 3; ++l) {
            const QString level = TestSchool().Catalogue.LevelName[std::size_t(l)];
            expected << QStringLiteral("%1 回数（%2）").arg(level, chosen) << QStringLiteral("%1 最高（%2）").arg(level, chosen)
                     << level + QStringLiteral(" 点（今まで）")
                     << QStringLiteral("%1 合否（最近%2日）").arg(level, windows[l - 1]);
        }
        expected << QStringLiteral("合計 回数（%1）").arg(chosen) << QStringLiteral("合計 点（今まで）");
        QCOMPARE(ClassOverview::Headings(Compute(period)), expected);
    }

    // Pupil 3's level 1 from their attempts alone: never started, begun (whenever, however it
    // ended) or passed in the judgement window; attempts and best time count the same attempts,
    // those under 6000 s in the period.
    void startedOrNot_data()
    {
        QTest::addColumn<ClassOverview::Period>("period");
        QTest::addColumn<QList<ScoreRecord>>("attempts");
        QTest::addColumn<QString>("level1"); // attempts|best|points|mark
        using P = ClassOverview::Period;
        QTest::newRow("never started") << P::All << QList<ScoreRecord>{} << QStringLiteral("|||－");
        QTest::newRow("timed out only") << P::ThisWeek << QList<ScoreRecord>{Attempt(3, 1, 99999, 0)}
                                        << QStringLiteral("|||△");
        QTest::newRow("timed out long before the period")
            << P::Today << QList<ScoreRecord>{Attempt(3, 1, 99999, 40), Attempt(3, 1, 99999, 400)}
            << QStringLiteral("|||△");
        QTest::newRow("6500 s only: no attempt, no best") << P::ThisWeek << QList<ScoreRecord>{Attempt(3, 1, 6500, 0)}
                                                          << QStringLiteral("|||△");
        QTest::newRow("6500 s beside 40 s")
            << P::ThisWeek << QList<ScoreRecord>{Attempt(3, 1, 6500, 0), Attempt(3, 1, 40, 1)} << QStringLiteral("1|40|6|△");
        QTest::newRow("5999 s counts") << P::ThisWeek << QList<ScoreRecord>{Attempt(3, 1, 5999, 0)}
                                       << QStringLiteral("1|5999||△");
        QTest::newRow("begun before the period") << P::ThisWeek << QList<ScoreRecord>{Attempt(3, 1, 45, 30)}
                                                 << QStringLiteral("||5|△");
        QTest::newRow("passed") << P::ThisWeek << QList<ScoreRecord>{Attempt(3, 1, 30, 0), Attempt(3, 1, 30, 2)}
                                << QStringLiteral("2|30|22|◎");
        QTest::newRow("enough points, but before the judgement window")
            << P::All << QList<ScoreRecord>{Attempt(3, 1, 30, 10), Attempt(3, 1, 30, 12)} << QStringLiteral("2|30|22|△");
    }
    void startedOrNot()
    {
        QFETCH(ClassOverview::Period, period);
        QFETCH(QList<ScoreRecord>, attempts);
        QFETCH(QString, level1);
        AppCalls::WriteScoreRecords(ClassRecords() + attempts);
        QCOMPARE(LevelTexts(Compute(period), 3, 1), level1);
    }

    // The records given are only the end of the score file: what the tables know from before them
    // still tells a begun level from one never started.
    void begunBeforeTheRecordsGiven()
    {
        const ClassOverview::Table table = Compute(ClassOverview::Period::All, QStringLiteral("小５"), 0);
        QCOMPARE(Marks(table, 1), QStringLiteral("◎|△|－")); // the time-out on level 3 earned nothing
        QCOMPARE(Marks(table, 2), QStringLiteral("－|△禁|－"));
        QCOMPARE(Marks(table, 3), QStringLiteral("－|－|－"));
    }

    // 禁 where the level menu bars the start button, not wherever the limit (3 attempts in 7 days)
    // is reached; the class's ◎ count takes in passed levels that are barred.
    void barredAsTheMenuDecides_data()
    {
        QTest::addColumn<QList<ScoreRecord>>("attempts"); // pupil 3's
        QTest::addColumn<int>("practiceLevel");           // 0: none
        QTest::addColumn<QString>("marks");               // pupil 3's, levels 1 to 3
        QTest::addColumn<QString>("classMarks");
        QTest::newRow("over the limit on the final level") << Today(3, 3, 50, 3) << 0 << QStringLiteral("－|－|△")
                                                           << QStringLiteral("◎1|◎0|◎0");
        QTest::newRow("over the limit below, final level passed")
            << Today(3, 1, 50, 3) + Today(3, 3, 30, 2) << 0 << QStringLiteral("△|－|◎") << QStringLiteral("◎1|◎0|◎1");
        QTest::newRow("over the limit below, final level not passed")
            << Today(3, 1, 50, 3) << 0 << QStringLiteral("△禁|－|－") << QStringLiteral("◎1|◎0|◎0");
        QTest::newRow("passed and over the limit") << Today(3, 1, 30, 3) << 0 << QStringLiteral("◎禁|－|－")
                                                   << QStringLiteral("◎2|◎0|◎0");
        QTest::newRow("one short of the limit") << Today(3, 1, 50, 2) << 0 << QStringLiteral("△|－|－")
                                                << QStringLiteral("◎1|◎0|◎0");
        QTest::newRow("over the limit on a practice level") << Today(3, 2, 50, 3) << 2 << QStringLiteral("－|△|－")
                                                            << QStringLiteral("◎1|◎0|◎0");
    }
    void barredAsTheMenuDecides()
    {
        QFETCH(QList<ScoreRecord>, attempts);
        QFETCH(int, practiceLevel);
        QFETCH(QString, marks);
        QFETCH(QString, classMarks);
        if (practiceLevel > 0)
            TestSchool().Catalogue.LevelName[std::size_t(practiceLevel)] = QStringLiteral("レベル２練習");
        AppCalls::WriteScoreRecords(ClassRecords() + attempts);
        const ClassOverview::Table table = Compute(ClassOverview::Period::ThisWeek);
        QCOMPARE(Marks(table, 3), marks);
        QCOMPARE(ClassMarks(table), classMarks);
    }

    // Sorting by a mark column puts each progress with its barred variant: not started, begun, passed.
    void sortByMark()
    {
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2015,0,0,鈴木一郎,0,,\n"
                                         "4,2014,0,0,高橋次郎,0,,\n5,2015,0,0,伊藤五郎,0,,\n"));
        AppCalls::WriteScoreRecords(ClassRecords() + Today(3, 1, 50, 3) + Today(5, 1, 30, 3));
        ClassOverviewModel model;
        model.SetTable(Compute(ClassOverview::Period::ThisWeek, QStringLiteral("全学年")));
        model.sort(5, Qt::AscendingOrder);
        QStringList marks;
        for (int row = 0; row + 1 < model.rowCount(); ++row)
            marks << model.data(model.index(row, 5)).toString();
        QCOMPARE(marks.join(u' '), QStringLiteral("－ △ △禁 ◎ ◎禁"));
    }
};

QTEST_GUILESS_MAIN(TestClassOverview)
#include "tst_ClassOverview.moc"
