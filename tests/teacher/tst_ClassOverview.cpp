#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "state/AppState.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include "teacher/ClassOverview.h"
#include "teacher/ClassOverviewModel.h"
#include <QtTest>

Q_DECLARE_METATYPE(ClassOverview::Period)

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
} // namespace

// The class overview worked out by hand for a small class: three fifth-graders (one who passed
// level 1, one barred for overdoing on level 2, one who has not started) and a sixth-grader the
// grade filter leaves out.
class TestClassOverview : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    std::unique_ptr<TestInstallation> Inst;

    ClassOverview::Table Compute(ClassOverview::Period period, const QString& grades = QStringLiteral("小５"))
    {
        AppState& s = App();
        AppCalls::ComputeResultTables();
        RosterFile::LoadRoster(s.DataRoot, 0, 2026, s.Roster);
        ResultLists::Inputs in;
        in.Roster = &s.Roster;
        in.Scores = &s.Scores;
        in.Results = &s.Results;
        in.Criteria = &s.Criteria;
        in.Catalogue = &s.Catalogue;
        in.LevelCount = 3;
        in.GradeFilterText = grades;
        in.Now = Now;
        return ClassOverview::Compute(AppCalls::File().ReadLastRecords(20000), in, period);
    }

private slots:
    void init()
    {
        ResetAppState();
        App().TheClock = &Clock;
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyToAppState();
        App().Catalogue.Build();
        // Pass: 20 points and 2 attempts in 7 days; bar: 3 attempts in 7 days. 30 s earns 11
        // points on a 60 s target, 45 s 5, 50 s 5.
        Inst->WriteCriteria(QStringLiteral("60,90,20,2,1,3,0,7,7,,,\n60,90,20,2,1,3,0,7,7,,,\n60,90,20,2,1,3,0,7,7,,,\n"));
        AppCalls::LoadPassCriteria();
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2015,0,0,鈴木一郎,0,,\n"
                                         "4,2014,0,0,高橋次郎,0,,\n"));
        AppCalls::WriteScoreRecords({Attempt(1, 1, 30, 0), Attempt(1, 1, 30, 2), Attempt(1, 2, 45, 10),
                                     Attempt(2, 2, 50, 0, 1), Attempt(2, 2, 50, 0, 2), Attempt(2, 2, 50, 0, 3),
                                     Attempt(4, 1, 25, 0), Attempt(1, 3, 99999, 0, 5)});
    }

    void handWorked_data()
    {
        QTest::addColumn<ClassOverview::Period>("period");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("classRow");
        using P = ClassOverview::Period;
        const QString pupil3 = QStringLiteral("3|鈴木一郎||||||||||||||");
        QTest::newRow("this week")
            << P::ThisWeek
            << QStringList{QStringLiteral("1|山田太郎|2|30|22|◎|||5||||||2|27"),
                           QStringLiteral("2|佐藤花子|||||3|50|15|禁|||||3|15"), pupil3}
            << QStringLiteral("|クラス（3人）|2|30||◎1|3|50||◎0||||◎0|5|42");
        QTest::newRow("today")
            << P::Today
            << QStringList{QStringLiteral("1|山田太郎|1|30|22|◎|||5||||||1|27"),
                           QStringLiteral("2|佐藤花子|||||3|50|15|禁|||||3|15"), pupil3}
            << QStringLiteral("|クラス（3人）|1|30||◎1|3|50||◎0||||◎0|4|42");
        // Monday 30 November is the first day of last week.
        QTest::newRow("since last week")
            << P::SinceLastWeek
            << QStringList{QStringLiteral("1|山田太郎|2|30|22|◎|1|45|5||||||3|27"),
                           QStringLiteral("2|佐藤花子|||||3|50|15|禁|||||3|15"), pupil3}
            << QStringLiteral("|クラス（3人）|2|30||◎1|4|48||◎0||||◎0|6|42");
    }
    // Passed, barred, not started; the time-out counts no attempt and no best time; the
    // sixth-grader is left out of the rows and of the class's figures.
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
        QTest::newRow("level 2 mark down") << 9 << int(Qt::DescendingOrder) << QList<int>{2, 1, 3};
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
        QCOMPARE(lines[0], QStringLiteral("番号,名前,レベル１ 回数,レベル１ 最高,レベル１ 点,レベル１ 合否,"
                                          "レベル２ 回数,レベル２ 最高,レベル２ 点,レベル２ 合否,"
                                          "レベル３ 回数,レベル３ 最高,レベル３ 点,レベル３ 合否,合計回数,合計点\r").toUtf8());
        QCOMPARE(lines[1], QStringLiteral("1,山田太郎,2,30,22,◎,,,5,,,,,,2,27\r").toUtf8());
        QCOMPARE(lines[3], QStringLiteral("3,\"鈴木,一郎\",,,,,,,,,,,,,,\r").toUtf8());
        QCOMPARE(lines[5], QByteArray());
    }

private:
};

QTEST_GUILESS_MAIN(TestClassOverview)
#include "tst_ClassOverview.moc"
