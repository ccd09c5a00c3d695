#include "support/AppCalls.h"
#include "roster/NameList.h"
#include "roster/RosterEntry.h"
#include "roster/RosterFile.h"
#include "support/TestScopes.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include <QtTest>

namespace {
const QString F = QStringLiteral("　"); // filler: one full-width space
QString Fill(int n) { return QString(n, QChar(0x3000)); }
RosterEntry Entry(int number, int refYear, const QString& name)
{
    RosterEntry e;
    e.Number = qint16(number);
    e.RefYear = qint16(refYear);
    e.Name = RosterFile::Fixed20(name);
    return e;
}
} // namespace

class TestNameList : public QObject {
    Q_OBJECT
    ManualClock Clock{QDateTime(QDate(2026, 12, 10), QTime(10, 0))}; // school year 2026
    std::unique_ptr<TestInstallation> Inst;

    void SetTotals(int pupil, int level, float todayCount, int todayPoints, int allCount, int allPoints)
    {
        ResultTables& t = TestSchool().Results;
        t.TodayCount(level, pupil) = todayCount;
        t.TodayPoints(level, pupil) = todayPoints;
        t.AttemptCount(level, pupil) = qint16(allCount);
        t.TotalPoints(level, pupil) = allPoints;
    }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        Inst = std::make_unique<TestInstallation>();
        Inst->ApplyTo(TestSchool());
    }

    void hiddenRow_data()
    {
        QTest::addColumn<int>("refYear");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("totals"); // today count, today points, all count, all points
        QTest::addColumn<QString>("row");
        const QList<int> some{12, 34, 345, 6789};
        const QList<int> none{0, 0, 0, 0};
        // 2026 − 2015 − 6 = 5: "小5", k = 9; "小5 山田太郎" is 7 characters, so two fillers.
        QTest::newRow("mode 0, 12 today and 345 in all")
            << 2015 << "山田太郎" << 0 << some << "2015小5 山田太郎" + Fill(2) + " 12回/  345回*7";
        QTest::newRow("mode 1") << 2015 << "山田太郎" << 1 << some << "2015小5 山田太郎" + Fill(2) + "  34/   6789*7";
        QTest::newRow("mode 2") << 2015 << "山田太郎" << 2 << some << "2015小5 山田太郎" + Fill(2) + "  34/ 12回*7";
        QTest::newRow("mode 3") << 2015 << "山田太郎" << 3 << some << "2015小5 山田太郎" + Fill(2) + "   6789/  345回*7";
        QTest::newRow("mode 0, nothing yet")
            << 2015 << "山田太郎" << 0 << none << "2015小5 山田太郎" + Fill(2) + "     /     " + F + "*7";
        QTest::newRow("mode 1, nothing yet")
            << 2015 << "山田太郎" << 1 << none << "2015小5 山田太郎" + Fill(2) + "  " + F + "/       *7";
        QTest::newRow("mode 2, nothing yet")
            << 2015 << "山田太郎" << 2 << none << "2015小5 山田太郎" + Fill(2) + "  " + F + "/     *7";
        QTest::newRow("mode 3, nothing yet")
            << 2015 << "山田太郎" << 3 << none << "2015小5 山田太郎" + Fill(2) + "       /     " + F + "*7";
        // 2026 − 2021 − 6 = −1: "幼2", k = 11 except in mode 1.
        QTest::newRow("kindergarten, mode 0")
            << 2021 << "小林" << 0 << none << "2021幼2 小林" + Fill(6) + "     /     " + F + "*7";
        QTest::newRow("kindergarten, mode 1")
            << 2021 << "小林" << 1 << none << "2021幼2 小林" + Fill(4) + "  " + F + "/       *7";
        QTest::newRow("kindergarten, mode 3")
            << 2021 << "小林" << 3 << some << "2021幼2 小林" + Fill(6) + "   6789/  345回*7";
        QTest::newRow("name that just fits") << 2015 << "寿限無寿限" << 1 << none << "2015小5 寿限無寿限" + Fill(1) + "  " + F + "/       *7";
        QTest::newRow("name too long is cut")
            << 2015 << "寿限無寿限無五劫の擦り切れ" << 1 << some << "2015小5 寿限無寿限無  34/   6789*7";
        QTest::newRow("long name of a kindergarten pupil")
            << 2021 << "寿限無寿限無五劫の擦り切れ" << 0 << some << "2021幼2 寿限無寿限無五劫 12回/  345回*7";
        QTest::newRow("blanks around the name dropped, full-width kept")
            << 2015 << "  山田　花子" << 1 << none << "2015小5 山田　花子" + Fill(1) + "  " + F + "/       *7";
        QTest::newRow("four-digit count") << 2015 << "山田" << 0 << QList<int>{999, 0, 12345, 0}
                                          << "2015小5 山田" + Fill(4) + "999回/12345回*7";
    }
    void hiddenRow()
    {
        QFETCH(int, refYear);
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(QList<int>, totals);
        QFETCH(QString, row);
        const RosterEntry e = Entry(7, refYear, name);
        const QString got = NameList::HiddenRow(e, RosterFile::GradeIndex(refYear, 2026), mode, totals[0],
                                                totals[1], totals[2], totals[3]);
        QCOMPARE(got, row);
    }

    void noRowOutsideModes()
    {
        QCOMPARE(NameList::HiddenRow(Entry(1, 2015, "A"), 5, 4, 1, 1, 1, 1), QString());
        QCOMPARE(NameList::HiddenRow(Entry(1, 2015, "A"), 5, -1, 1, 1, 1, 1), QString());
    }

    void columnsKeepTheirWidth_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::newRow("0") << qint64(0);
        QTest::newRow("1") << qint64(1);
        QTest::newRow("99") << qint64(99);
    }
    void columnsKeepTheirWidth()
    {
        // Display width: half-width 1, full-width 2.
        auto width = [](const QString& s) {
            int w = 0;
            for (QChar c : s)
                w += c.unicode() < 0x100 ? 1 : 2;
            return w;
        };
        QFETCH(qint64, n);
        QCOMPARE(width(NameList::TodayCountColumn(n)), 5);
        QCOMPARE(width(NameList::TodayPointsColumn(n)), 4);
        QCOMPARE(width(NameList::AllCountColumn(n)), 7);
        QCOMPARE(width(NameList::AllPointsColumn(n)), 7);
    }

    void buildSumsLevelsAndSorts()
    {
        // School year 2026: 2018 → 小2, 2015 → 小5, 2012 → 中2, 2019 → 小1; pupil 4 is hidden.
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,いとう,0,,\n"
                                         "2,2012,0,0,あべ,0,,\n"
                                         "3,2015,0,0,うえの,0,,\n"
                                         "4,2019,0,0,かくれ,1,,\n"
                                         "5,2018,0,0,えもと,0,,\n"
                                         "6,2012,0,0,おの,0,,\n"));
        QVERIFY(AppCalls::LoadRoster());
        SetTotals(1, 1, 1, 10, 2, 20);
        SetTotals(1, 35, 2, 5, 3, 30);
        SetTotals(1, 0, 9, 900, 9, 900); // level 0 is not a level
        SetTotals(3, 2, 0, 0, 40, 4000);

        NameList list;
        list.Build(TestSchool().Roster, TestSchool().Results, 1);
        const QStringList hidden = list.HiddenRows();
        QCOMPARE(hidden.size(), 5);
        QStringList sorted = hidden;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(hidden, sorted);

        list.Select(QStringLiteral("全学年"));
        const QStringList expected{
            NameList::DashRow,
            "小2 えもと" + Fill(3) + "  " + F + "/       ",
            "小5 うえの" + Fill(3) + "  " + F + "/   4000",
            "小5 いとう" + Fill(3) + "  15/     50",
            "中2 おの" + Fill(4) + "  " + F + "/       ",
            "中2 あべ" + Fill(4) + "  " + F + "/       ",
        };
        QCOMPARE(list.VisibleRows(), expected);
        QCOMPARE(list.PupilRows().size(), expected.size() - 1);
        QList<int> numbers;
        for (qsizetype r = 0; r < list.PupilRows().size(); ++r) {
            const QString& p = list.PupilRows()[r];
            QVERIFY(p.startsWith(list.VisibleRows()[r + 1] + u'*'));
            numbers << NameList::PupilNumber(p);
        }
        QCOMPARE(numbers, (QList<int>{5, 3, 1, 6, 2}));

        list.Build(TestSchool().Roster, TestSchool().Results, 0);
        list.Select(QStringLiteral("全学年"));
        QCOMPARE(list.VisibleRows()[3], "小5 いとう" + Fill(3) + "  3回/    5回");
    }

    // Within one year the names sort as Japanese is read: hiragana and katakana by their sound,
    // not every hiragana before every katakana as their code points would have it.
    void namesSortAsJapanese()
    {
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,うえの,0,,\n2,2015,0,0,イトウ,0,,\n3,2015,0,0,あべ,0,,\n"
                                         "4,2015,0,0,カトウ,0,,\n"));
        QVERIFY(AppCalls::LoadRoster());
        NameList list;
        list.Build(TestSchool().Roster, TestSchool().Results, 1);
        QList<int> order;
        for (const QString& row : list.HiddenRows())
            order << NameList::PupilNumber(row);
        QCOMPARE(order, (QList<int>{3, 2, 1, 4}));
    }

    void selectByGrade_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("全学年") << "全学年" << QList<int>{7, 5, 1, 3, 2, 4, 6};
        QTest::newRow("中学生全体") << "中学生全体" << QList<int>{3, 2, 4};
        QTest::newRow("小学生全体") << "小学生全体" << QList<int>{5, 1};
        QTest::newRow("中３") << "中３" << QList<int>{4};
        QTest::newRow("小１") << "小１" << QList<int>{5};
        QTest::newRow("unknown text") << "中４" << QList<int>{};
    }
    void selectByGrade()
    {
        QFETCH(QString, selector);
        QFETCH(QList<int>, numbers);
        // Grades: 1 → 6, 2 → 8, 3 → 7, 4 → 9, 5 → 1, 6 → 10, 7 → 0.
        Inst->WriteRoster(QStringLiteral("1,2014,0,0,A,0,,\n2,2012,0,0,B,0,,\n3,2013,0,0,C,0,,\n4,2011,0,0,D,0,,\n"
                                         "5,2019,0,0,E,0,,\n6,2010,0,0,F,0,,\n7,2020,0,0,G,0,,\n"));
        QVERIFY(AppCalls::LoadRoster());
        NameList list;
        list.Build(TestSchool().Roster, TestSchool().Results, 1);
        list.Select(selector);
        QCOMPARE(list.VisibleRows().value(0), NameList::DashRow);
        QList<int> got;
        for (const QString& p : list.PupilRows())
            got << NameList::PupilNumber(p);
        QCOMPARE(got, numbers);
    }

    void starInNameKeepsNumber()
    {
        Inst->WriteRoster(QStringLiteral("42,2015,0,0,星*子,0,,\n"));
        QVERIFY(AppCalls::LoadRoster());
        NameList list;
        list.Build(TestSchool().Roster, TestSchool().Results, 1);
        list.Select(QStringLiteral("全学年"));
        QCOMPARE(NameList::PupilNumber(list.PupilRows().value(0)), 42);
        QCOMPARE(list.VisibleRows().value(1), "小5 星*子" + Fill(3) + "  " + F + "/       ");
    }
};

QTEST_GUILESS_MAIN(TestNameList)
#include "tst_NameList.moc"
