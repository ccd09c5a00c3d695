// The level menu's presenter without widgets, over a real installation and score file: what the
// menu shows after each of the user's actions.
#include "base/OleDate.h"
#include "menu/LevelMenuPresenter.h"
#include "records/ScoreRecord.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include "support/TestScopes.h"
#include <QSignalSpy>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(MenuView)
Q_DECLARE_METATYPE(MenuDisplay)
Q_DECLARE_METATYPE(ListPeriod)
Q_DECLARE_METATYPE(ResultLists::DisplayMode)
Q_DECLARE_METATYPE(QList<ScoreRecord>)

namespace {
// Thursday 10 December 2026, 10:00.
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 0, 0));

ScoreRecord Record(int pupil, int level, int seconds, int daysAgo = 0, double timeOfDay = 0.375)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Now.date()) - daysAgo;
    r.TimeOfDay = timeOfDay;
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

// `count` attempts of `pupil` on `level` today, `seconds` each.
QList<ScoreRecord> Attempts(int pupil, int level, int count, int seconds)
{
    QList<ScoreRecord> records;
    for (int k = 0; k < count; ++k)
        records << Record(pupil, level, seconds, 0, 0.3 + k * 0.01);
    return records;
}

// Pupil 2 on level 1 last Sunday, pupil 1 today, pupil 3 timed out today, pupil 1 on level 2
// yesterday.
QList<ScoreRecord> Week()
{
    return {Record(2, 1, 50, 4), Record(1, 1, 40), Record(3, 1, 99999), Record(1, 2, 45, 1)};
}

// "1" for every level 1 … 3 whose flag `of` is set.
template <class Flag> QString Flags(const LevelMenuPresenter& menu, Flag of)
{
    QString text;
    for (int i = 1; i <= 3; ++i)
        text += of(menu.Shown().Columns[std::size_t(i)]) ? u'1' : u'0';
    return text;
}
} // namespace

class TestLevelMenuPresenter : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<LevelMenuPresenter> Menu;

    // The menu as it opens after the name screen or an attempt, whose tables are up to date.
    void Create()
    {
        AppCalls::ComputeResultTables();
        Menu = std::make_unique<LevelMenuPresenter>(
            [] { return StateViews::MenuInputs(TestSchool(), TestSession(), TestEnv()); });
    }
    void Open()
    {
        Create();
        Menu->Refresh();
        QVERIFY(Menu->IsReady());
    }
    const LevelMenuPresenter::Screen& Shown() const { return Menu->Shown(); }
    const LevelMenuPresenter::Column& Column(int level) const { return Menu->Shown().Columns[std::size_t(level)]; }
    QStringList OrderTexts() const
    {
        QStringList texts;
        for (const LevelMenuPresenter::OrderOption& o : Shown().Orders)
            texts << o.Text;
        return texts;
    }
    // The view of the order option that is chosen.
    std::optional<MenuView> OrderChosen() const
    {
        for (const LevelMenuPresenter::OrderOption& o : Shown().Orders)
            if (o.Checked)
                return o.View;
        return std::nullopt;
    }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Wait = [](int) {};
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        // Level 1: target 60 s, 2 attempts and 20 points to pass, barred at 3 attempts in 7 days.
        // Level 3, the final one: 5 attempts and 100 points.
        Inst->WriteCriteria(QStringLiteral("60,90,20,2,1,3,0,7,7,,,\n60,90,9999,5,1.5,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n"));
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2014,0,0,鈴木一郎,0,,\n"));
        AppCalls::LoadPassCriteria();
        QVERIFY(AppCalls::LoadRoster());
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎            ");
        TestSession().CurrentGradeLabel = QStringLiteral("小５");
        TestSession().GradeFilterText = QStringLiteral("全学年");
        TestSchool().SchoolName = QStringLiteral("テスト小学校");
        TestSession().LoginTime = 10 * 3600 - 20 * 60;
    }
    void cleanup()
    {
        Menu.reset();
        ResetTestScopes();
    }

    void opensOnTheAllTimePointsRanking()
    {
        AppCalls::WriteScoreRecords(Week());
        Open();
        QCOMPARE(Menu->View(), MenuView::AllTimePoints);
        QCOMPARE(Menu->Display(), ResultLists::PointsDisplay);
        QCOMPARE(Shown().DisplayChecked, std::optional<MenuDisplay>(MenuDisplay::Points));
        QCOMPARE(OrderChosen(), std::optional<MenuView>(MenuView::AllTimePoints));
        QCOMPARE(OrderTexts(), (QStringList{QStringLiteral("累計順"), QStringLiteral("本日順"), QStringLiteral("オール表示")}));
        QCOMPARE(Shown().ViewHeading, QStringLiteral("獲得ポイント（今まで順位）"));
        QCOMPARE(Shown().Title, QStringLiteral("ゾメ２"));
        QCOMPARE(Shown().TitlePointSize, 24.0);
        QCOMPARE(Shown().PupilHeading, QStringLiteral("小５ 山田太郎"));
        QCOMPARE(Shown().SchoolHeading, QStringLiteral("テスト小学校:1"));
        QCOMPARE(Shown().MinutesSinceSignIn, QStringLiteral("起動後20分"));
        QCOMPARE(Shown().GradeFilter, QStringLiteral("全学年"));
        QVERIFY(Shown().BackEnabled);
        QVERIFY(Shown().OrderPanelEnabled);
        QVERIFY(!Shown().WaitPanelShown);
        QVERIFY(!Shown().ListWaitPanelShown);
        QVERIFY(!Shown().PeriodSelectorShown);
        QVERIFY(!Shown().GraphButtonShown);
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.ListShown; }), QStringLiteral("111"));
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(Column(i).Name, TestSchool().Catalogue.LevelName[std::size_t(i)]);
            QCOMPARE(Column(i).StartCaption, QStringLiteral("ｽﾀｰﾄ(&%1)").arg(i));
            QCOMPARE(Column(i).TodayHeader, QStringLiteral("今日"));
            QCOMPARE(Column(i).AllTimeHeader, QStringLiteral("今まで"));
        }
        // Every listed pupil, the leader first, the pupil marked; the row above the pupil's comes
        // into view, none when the pupil leads.
        QCOMPARE(Column(1).Rows.size(), 3);
        QVERIFY2(Column(1).Rows[0].contains(QStringLiteral("●山田")), qPrintable(Column(1).Rows.join('|')));
        QCOMPARE(Column(1).RowInView, -1);
    }

    // The figures of each column and the heading's total, as the tables stand when the menu opens.
    void columnFigures_data()
    {
        QTest::addColumn<QList<ScoreRecord>>("records");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("attemptsToday");
        QTest::addColumn<QString>("todayTotal");
        QTest::addColumn<QString>("todayTotals");
        QTest::addColumn<QString>("allTimeTotals");
        QTest::addColumn<QString>("judgeWindow");
        QTest::addColumn<QString>("targets");
        QTest::newRow("no attempt at all") << QList<ScoreRecord>{} << 1 << 0 << "本日総回数＝0回" << "-----" << "------"
                                           << "最近7日=0回 / 0点" << "目標=60秒 2回/20点(×1)";
        QTest::newRow("yesterday's attempt") << QList<ScoreRecord>{Record(1, 1, 30, 1), Record(1, 2, 45)} << 1
                                             << 1 << "本日総回数＝1回" << "-----" << "1回/11点" << "最近7日=1回 / 11点"
                                             << "目標=60秒 2回/20点(×1)";
        QTest::newRow("today's attempt") << QList<ScoreRecord>{Record(1, 1, 30, 1), Record(1, 2, 45)} << 2
                                         << 1 << "本日総回数＝1回" << "1回/7点" << "1回/7点" << "最近7日=1回 / 7点"
                                         << "目標=60秒 --------";
        QTest::newRow("another pupil's attempts count not") << QList<ScoreRecord>{Record(2, 3, 30)} << 3
                                                            << 0 << "本日総回数＝0回" << "-----" << "------"
                                                            << "最近7日=0回 / 0点" << "目標=60秒 5回/100点(×1)";
    }
    void columnFigures()
    {
        QFETCH(QList<ScoreRecord>, records);
        QFETCH(int, level);
        QFETCH(int, attemptsToday);
        QFETCH(QString, todayTotal);
        QFETCH(QString, todayTotals);
        QFETCH(QString, allTimeTotals);
        QFETCH(QString, judgeWindow);
        QFETCH(QString, targets);
        AppCalls::WriteScoreRecords(records);
        Open();
        QCOMPARE(Shown().TodayTotal, todayTotal);
        QCOMPARE(Column(level).TodayTotals, todayTotals);
        QCOMPARE(Column(level).AllTimeTotals, allTimeTotals);
        QCOMPARE(Column(level).JudgeWindow, judgeWindow);
        QCOMPARE(Column(level).Targets, targets);
        QCOMPARE(TestSession().TodayTotal, qint16(attemptsToday));
    }

    // Which levels start and which are barred for overdoing; a pass of the final level lifts the
    // bars, and the session learns of it.
    void starts_data()
    {
        QTest::addColumn<QList<ScoreRecord>>("records");
        QTest::addColumn<QString>("enabled");  // levels 1 2 3
        QTest::addColumn<QString>("barred");
        QTest::addColumn<int>("firstStarting");
        QTest::addColumn<bool>("finalCleared");
        QTest::newRow("nothing done") << QList<ScoreRecord>{} << "111" << "000" << 1 << false;
        QTest::newRow("two attempts on level 1") << Attempts(1, 1, 2, 50) << "111" << "000" << 1 << false;
        QTest::newRow("three attempts bar level 1") << Attempts(1, 1, 3, 50) << "011" << "100" << 2 << false;
        QTest::newRow("another pupil's attempts bar nothing") << Attempts(2, 1, 3, 50) << "111" << "000" << 1 << false;
        QTest::newRow("the final level passed: no bar")
            << Attempts(1, 1, 3, 50) + Attempts(1, 3, 5, 10) << "111" << "000" << 1 << true;
    }
    void starts()
    {
        QFETCH(QList<ScoreRecord>, records);
        QFETCH(QString, enabled);
        QFETCH(QString, barred);
        QFETCH(int, firstStarting);
        QFETCH(bool, finalCleared);
        AppCalls::WriteScoreRecords(records);
        Open();
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.StartEnabled; }), enabled);
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.Barred; }), barred);
        for (int i = 1; i <= 3; ++i)
            if (Column(i).Barred)
                QCOMPARE(Column(i).MarkText, QStringLiteral("やりすぎ禁止"));
        QCOMPARE(Menu->FirstStartingLevel(), firstStarting);
        QCOMPARE(TestSession().FinalLevelCleared, qint16(finalCleared ? 1 : 0));

        // A barred level starts neither from its button nor from its name.
        QSignalSpy started(Menu.get(), &LevelMenuPresenter::LevelChosen);
        for (int i = 1; i <= 3; ++i)
            if (Column(i).Barred) {
                Menu->StartLevel(i);
                Menu->StartLevelFromName(i);
            }
        QCOMPARE(started.size(), 0);
    }

    // A level whose name holds 練 is practice: never barred, no results or targets shown, in any
    // view, and no pass line: its target and lowest times become 600 s when the menu opens.
    void practiceLevels_data()
    {
        QTest::addColumn<int>("practice");
        QTest::addColumn<MenuView>("view");
        QTest::addColumn<QString>("resultsShown");  // levels 1 2 3
        QTest::newRow("level 1, opening view") << 1 << MenuView::AllTimePoints << "011";
        QTest::newRow("level 1, best times") << 1 << MenuView::BestTimes << "011";
        QTest::newRow("level 2, today's attempts") << 2 << MenuView::TodaysAttempts << "101";
        QTest::newRow("level 3, time history") << 3 << MenuView::TimeHistory << "110";
        QTest::newRow("none") << 0 << MenuView::BestTimes << "111";
    }
    void practiceLevels()
    {
        QFETCH(int, practice);
        QFETCH(MenuView, view);
        QFETCH(QString, resultsShown);
        if (practice)
            TestSchool().Catalogue.LevelName[std::size_t(practice)] = QStringLiteral("レベル%1練習").arg(practice);
        // Enough to bar every level that can be barred.
        AppCalls::WriteScoreRecords(Attempts(1, 1, 3, 50) + Attempts(1, 2, 3, 50));
        TestSchool().Criteria[2].BanCount = CriteriaValue::FromNumber(3);
        Open();
        if (view != MenuView::AllTimePoints)
            Menu->ChooseView(view);
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.ResultsShown; }), resultsShown);
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.ListShown; }), resultsShown);
        for (int i = 1; i <= 3; ++i) {
            const PassCriteria& c = TestSchool().Criteria[std::size_t(i)];
            QCOMPARE(c.TargetTime == 600 && c.LowestTime == 600, i == practice);
            if (i == practice) {
                QVERIFY(Column(i).StartEnabled);
                QVERIFY(!Column(i).Barred);
            }
        }
    }

    // The order panel's options and the display strip, from the opening view.
    void views_data()
    {
        QTest::addColumn<MenuView>("view");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<ResultLists::DisplayMode>("display");
        QTest::addColumn<MenuDisplay>("displayChecked");
        QTest::addColumn<QStringList>("orderTexts");
        QTest::addColumn<int>("rows");  // on level 1
        QTest::addColumn<QString>("firstRow");  // its start
        QTest::addColumn<bool>("periodSelector");
        QTest::addColumn<bool>("graphButton");
        const QStringList times{QStringLiteral("BEST表示"), QStringLiteral("本日のみ"), QStringLiteral("オール表示")};
        const QStringList opening{QStringLiteral("累計順"), QStringLiteral("本日順"), QStringLiteral("オール表示")};
        QTest::newRow("best times") << MenuView::BestTimes << "ベスト成績" << ResultLists::TimeDisplay << MenuDisplay::Times
                                    << times << 3 << " 1●山田太郎" << false << false;
        QTest::newRow("today's attempts") << MenuView::TodaysAttempts << "本日の成績" << ResultLists::TimeDisplay
                                          << MenuDisplay::Times << times << 2 << "  40秒 09:00●山田太郎" << false << false;
        QTest::newRow("a period's attempts, points first") << MenuView::PeriodAttempts << "" << ResultLists::PointsDisplay
                                                           << MenuDisplay::Points << opening << 3 << "    5 12/06"
                                                           << true << false;
        QTest::newRow("all-time points") << MenuView::AllTimePoints << "獲得ポイント（今まで順位）"
                                         << ResultLists::PointsDisplay << MenuDisplay::Points << opening << 3
                                         << " 1●山田太郎" << false << false;
        QTest::newRow("today's points") << MenuView::TodaysPoints << "獲得ポイント（今日の順位）"
                                        << ResultLists::PointsDisplay << MenuDisplay::Points << opening << 1
                                        << " 1●山田太郎" << false << false;
        // The time history keeps the display the options belong to.
        QTest::newRow("time history") << MenuView::TimeHistory << "個人別ﾀｲﾑ" << ResultLists::PointsDisplay
                                      << MenuDisplay::TimeHistory << opening << 1 << "2026/12/10 9:00:00  40秒"
                                      << false << true;
    }
    void views()
    {
        QFETCH(MenuView, view);
        QFETCH(QString, heading);
        QFETCH(ResultLists::DisplayMode, display);
        QFETCH(MenuDisplay, displayChecked);
        QFETCH(QStringList, orderTexts);
        QFETCH(int, rows);
        QFETCH(QString, firstRow);
        QFETCH(bool, periodSelector);
        QFETCH(bool, graphButton);
        AppCalls::WriteScoreRecords(Week());
        Open();
        Menu->ChooseView(view);
        QCOMPARE(Menu->View(), view);
        QCOMPARE(Shown().ViewHeading, heading);
        QCOMPARE(Menu->Display(), display);
        QCOMPARE(Shown().DisplayChecked, std::optional<MenuDisplay>(displayChecked));
        if (view != MenuView::TimeHistory)
            QCOMPARE(OrderChosen(), std::optional<MenuView>(view));
        QCOMPARE(OrderTexts(), orderTexts);
        QCOMPARE(Column(1).Rows.size(), rows);
        QVERIFY2(Column(1).Rows.value(0).startsWith(firstRow), qPrintable(Column(1).Rows.join('|')));
        QCOMPARE(Shown().PeriodSelectorShown, periodSelector);
        QCOMPARE(Shown().GraphButtonShown, graphButton);
        // Built and shown: the lists, the starts and the way back are there again.
        QVERIFY(!Shown().ListWaitPanelShown);
        QVERIFY(Shown().BackEnabled);
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.ListShown; }), QStringLiteral("111"));
        QCOMPARE(Flags(*Menu, [](const auto& c) { return c.StartEnabled; }), QStringLiteral("111"));
        QVERIFY(Menu->IsReady());
    }

    // The time and the points display: the option chosen stays, its view follows the display.
    void timeOrPoints_data()
    {
        QTest::addColumn<MenuView>("first");
        QTest::addColumn<MenuDisplay>("display");
        QTest::addColumn<MenuView>("view");
        QTest::addColumn<QStringList>("orderTexts");
        QTest::addColumn<QString>("lastRowEnd");  // level 1's last row, pupil 3's failed attempt aside
        const QStringList times{QStringLiteral("BEST表示"), QStringLiteral("本日のみ"), QStringLiteral("オール表示")};
        const QStringList points{QStringLiteral("合計累計"), QStringLiteral("合計本日"), QStringLiteral("すべて")};
        QTest::newRow("all-time points to best times") << MenuView::AllTimePoints << MenuDisplay::Times
                                                       << MenuView::BestTimes << times << "";
        QTest::newRow("today's attempts to today's points") << MenuView::TodaysAttempts << MenuDisplay::Points
                                                            << MenuView::TodaysPoints << points << "";
        // A period's attempts: the time first and the points last, or the other way round.
        QTest::newRow("a period's attempts to points") << MenuView::PeriodAttempts << MenuDisplay::Points
                                                       << MenuView::PeriodAttempts << points << "40秒";
        QTest::newRow("a period's attempts to times") << MenuView::PeriodAttempts << MenuDisplay::Times
                                                      << MenuView::PeriodAttempts << times << "6";
    }
    void timeOrPoints()
    {
        QFETCH(MenuView, first);
        QFETCH(MenuDisplay, display);
        QFETCH(MenuView, view);
        QFETCH(QStringList, orderTexts);
        QFETCH(QString, lastRowEnd);
        AppCalls::WriteScoreRecords(Week());
        Open();
        Menu->ChooseView(first);
        Menu->ChooseDisplay(display);
        QCOMPARE(Menu->View(), view);
        QCOMPARE(Shown().DisplayChecked, std::optional<MenuDisplay>(display));
        QCOMPARE(OrderTexts(), orderTexts);
        if (!lastRowEnd.isEmpty()) {
            const QStringList rows = Column(1).Rows;
            QCOMPARE(rows.size(), 3);
            QVERIFY2(rows[1].endsWith(lastRowEnd), qPrintable(rows.join('|')));
        }
    }

    // The period selector counts while the period's option is chosen: this week is Monday to
    // today, a Thursday.
    void periods_data()
    {
        QTest::addColumn<bool>("periodChosen");
        QTest::addColumn<ListPeriod>("period");
        QTest::addColumn<ListPeriod>("shown");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("rows");
        QTest::newRow("opening period") << true << ListPeriod::Month << ListPeriod::Month << 30 << 3;
        QTest::newRow("this week") << true << ListPeriod::ThisWeek << ListPeriod::ThisWeek << 4 << 2;
        QTest::newRow("since last week") << true << ListPeriod::SinceLastWeek << ListPeriod::SinceLastWeek << 11 << 3;
        QTest::newRow("a year") << true << ListPeriod::Year << ListPeriod::Year << 365 << 3;
        QTest::newRow("ten years") << true << ListPeriod::TenYears << ListPeriod::TenYears << 3650 << 3;
        QTest::newRow("another option chosen") << false << ListPeriod::ThisWeek << ListPeriod::Month << 0 << 2;
    }
    void periods()
    {
        QFETCH(bool, periodChosen);
        QFETCH(ListPeriod, period);
        QFETCH(ListPeriod, shown);
        QFETCH(int, days);
        QFETCH(int, rows);
        AppCalls::WriteScoreRecords(Week());
        Open();
        Menu->ChooseView(periodChosen ? MenuView::PeriodAttempts : MenuView::TodaysAttempts);
        Menu->ChoosePeriod(period);
        QCOMPARE(Menu->Period(), shown);
        QCOMPARE(Menu->PeriodDays(), days);
        QCOMPARE(Column(1).Rows.size(), rows);
        QCOMPARE(Shown().PeriodSelectorShown, periodChosen);
    }

    void periodChoicesInTheirOrder()
    {
        QStringList texts;
        QList<ListPeriod> periods;
        for (const LevelMenuPresenter::PeriodChoice& choice : LevelMenuPresenter::PeriodChoices()) {
            texts << choice.Text;
            periods << choice.Period;
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
                                     QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
                                     QStringLiteral("　　今までの全成績\"")}));
        QCOMPARE(periods, (QList<ListPeriod>{ListPeriod::ThisWeek, ListPeriod::SinceLastWeek, ListPeriod::Month,
                                             ListPeriod::Year, ListPeriod::TenYears}));
        QCOMPARE(LevelMenuPresenter::OpeningPeriodText(), texts[2]);
    }

    // A grade chosen builds the lists again for its pupils, in the time display if it is the
    // strip's option, else in the points display; the strip's option and the name screen's
    // grade stay as they are.
    void gradeChosen_data()
    {
        QTest::addColumn<MenuView>("first");
        QTest::addColumn<QString>("grade");
        QTest::addColumn<ResultLists::DisplayMode>("display");
        QTest::addColumn<MenuDisplay>("displayChecked");
        QTest::addColumn<int>("rows");
        QTest::newRow("time history, a sixth-grader") << MenuView::TimeHistory << "小６" << ResultLists::PointsDisplay
                                                      << MenuDisplay::TimeHistory << 1;
        QTest::newRow("best times, fifth-graders") << MenuView::BestTimes << "小５" << ResultLists::TimeDisplay
                                                   << MenuDisplay::Times << 2;
        QTest::newRow("all-time points, every grade") << MenuView::AllTimePoints << "全学年" << ResultLists::PointsDisplay
                                                      << MenuDisplay::Points << 3;
    }
    void gradeChosen()
    {
        QFETCH(MenuView, first);
        QFETCH(QString, grade);
        QFETCH(ResultLists::DisplayMode, display);
        QFETCH(MenuDisplay, displayChecked);
        QFETCH(int, rows);
        AppCalls::WriteScoreRecords(Week());
        Open();
        Menu->ChooseView(first);
        Menu->ChooseGrade(grade);
        QCOMPARE(Menu->GradeFilter(), grade);
        QCOMPARE(Menu->Display(), display);
        QCOMPARE(Shown().DisplayChecked, std::optional<MenuDisplay>(displayChecked));
        QVERIFY(!Shown().GraphButtonShown);
        QCOMPARE(Column(1).Rows.size(), rows);
        QCOMPARE(TestSession().GradeFilterText, QStringLiteral("全学年"));
    }

    // A grade typed and not chosen counts when the lists are next built.
    void gradeEditedCountsAtTheNextBuild()
    {
        AppCalls::WriteScoreRecords(Week());
        Open();
        Menu->EditGradeFilter(QStringLiteral("小６"));
        QCOMPARE(Column(1).Rows.size(), 3);
        Menu->ChooseView(MenuView::BestTimes);
        QCOMPARE(Column(1).Rows.size(), 1);
    }

    // The teacher (the pupil 先生, blanks aside) has the data button; any name containing 先生
    // prints the graph.
    void teacherOnlyControls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("teacher");
        QTest::addColumn<bool>("prints");
        QTest::newRow("先生") << "先生" << true << true;
        QTest::newRow("先生 with blanks") << " 先生    " << true << true;
        QTest::newRow("a pupil") << "山田太郎" << false << false;
        QTest::newRow("a name containing 先生") << "山田先生" << false << true;
    }
    void teacherOnlyControls()
    {
        QFETCH(QString, name);
        QFETCH(bool, teacher);
        QFETCH(bool, prints);
        TestSession().CurrentPupilName = name;
        Open();
        QCOMPARE(Shown().TeacherButtonShown, teacher);
        QCOMPARE(Menu->Graph().PrintAllowed(), prints);
    }

    // No level starts while the teacher panel is open.
    void teacherPanelHoldsTheStarts()
    {
        TestSession().CurrentPupilName = QStringLiteral("先生");
        Open();
        QSignalSpy started(Menu.get(), &LevelMenuPresenter::LevelChosen);
        Menu->OpenTeacherPanel();
        QVERIFY(Shown().TeacherPanelOpen);
        QVERIFY(Menu->TakeKey(QStringLiteral("1")));
        Menu->StartLevel(2);
        Menu->StartLevelFromName(3);
        QCOMPARE(started.size(), 0);
        Menu->CloseTeacherPanel();
        QVERIFY(!Shown().TeacherPanelOpen);
        Menu->StartLevel(2);
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0][0].toInt(), 2);
    }

    void keys_data()
    {
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("level");  // 0: no level starts
        QTest::addColumn<bool>("back");
        QTest::newRow("2 starts level 2") << true << "2" << true << 2 << false;
        QTest::newRow("1 starts level 1") << true << "1" << true << 1 << false;
        QTest::newRow("4 is beyond the levels") << true << "4" << true << 0 << false;
        QTest::newRow("a is level 10") << true << "a" << true << 0 << false;
        QTest::newRow("0 goes back") << true << "0" << true << 0 << true;
        QTest::newRow("x is not the menu's") << true << "x" << false << 0 << false;
        QTest::newRow("no text") << true << "" << false << 0 << false;
        QTest::newRow("not ready: 1 swallowed") << false << "1" << true << 0 << false;
        QTest::newRow("not ready: 0 swallowed") << false << "0" << true << 0 << false;
    }
    void keys()
    {
        QFETCH(bool, ready);
        QFETCH(QString, key);
        QFETCH(bool, taken);
        QFETCH(int, level);
        QFETCH(bool, back);
        if (ready)
            Open();
        else
            Create();
        QSignalSpy started(Menu.get(), &LevelMenuPresenter::LevelChosen);
        QSignalSpy backed(Menu.get(), &LevelMenuPresenter::BackChosen);
        QCOMPARE(Menu->TakeKey(key), taken);
        QCOMPARE(started.size(), level ? 1 : 0);
        if (level) {
            QCOMPARE(started[0][0].toInt(), level);
            QVERIFY(Shown().WaitPanelShown);
            // Once a level is starting the menu takes no more keys.
            QVERIFY(!Menu->IsReady());
            QVERIFY(Menu->TakeKey(key));
            QCOMPARE(started.size(), 1);
        }
        QCOMPARE(backed.size(), back ? 1 : 0);
        if (back)
            QVERIFY(Shown().WaitPanelShown);
    }

    // The start button brings up the wait panel, the level's name does not.
    void startWaitPanel_data()
    {
        QTest::addColumn<bool>("fromName");
        QTest::newRow("button") << false;
        QTest::newRow("name") << true;
    }
    void startWaitPanel()
    {
        QFETCH(bool, fromName);
        Open();
        QSignalSpy started(Menu.get(), &LevelMenuPresenter::LevelChosen);
        if (fromName)
            Menu->StartLevelFromName(3);
        else
            Menu->StartLevel(3);
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0][0].toInt(), 3);
        QCOMPARE(Shown().WaitPanelShown, !fromName);
    }

    // The teacher's results for a spreadsheet: offered under today's date, saved with the tables
    // as of now.
    void resultsForASpreadsheet_data()
    {
        QTest::addColumn<bool>("folderThere");
        QTest::newRow("saved") << true;
        QTest::newRow("no such folder") << false;
    }
    void resultsForASpreadsheet()
    {
        QFETCH(bool, folderThere);
        TestSession().CurrentPupilName = QStringLiteral("先生");
        AppCalls::WriteScoreRecords({Record(1, 1, 30, 1)});
        Open();
        QCOMPARE(Menu->ResultsFileName(), QStringLiteral("成績_20261210.csv"));
        // An attempt since the menu opened is in the file.
        AppCalls::WriteScoreRecords({Record(1, 1, 30, 1), Record(2, 1, 60)});
        QTemporaryDir dir;
        const QString file = dir.filePath((folderThere ? QString() : QStringLiteral("gone/")) + Menu->ResultsFileName());
        const LevelMenuPresenter::Notice notice = Menu->SaveResultsForSpreadsheet(file);
        QCOMPARE(notice.Problem, !folderThere);
        QCOMPARE(QFile::exists(file), folderThere);
        if (!folderThere)
            return;
        QCOMPARE(notice.Text, QStringLiteral("成績を保存しました。\n") + QDir::toNativeSeparators(file));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFpupil,name,grade,level,"));
        QVERIFY(bytes.contains(QStringLiteral("1,山田太郎,").toUtf8()));
        QVERIFY(bytes.contains(QStringLiteral("2,佐藤花子,").toUtf8()));
    }

    // While the lists are built, the starts and the way back wait and the lists are hidden.
    void buildingHoldsTheStarts()
    {
        AppCalls::WriteScoreRecords(Week());
        Open();
        QList<bool> seen;
        connect(Menu.get(), &LevelMenuPresenter::ShowNow, this, [this, &seen] {
            if (Shown().ListWaitPanelShown)
                seen << (Shown().BackEnabled || Column(1).StartEnabled || Column(1).ListShown);
        });
        Menu->ChooseView(MenuView::TodaysAttempts);
        QVERIFY(!seen.isEmpty());
        QVERIFY(!seen.contains(true));
    }
};

QTEST_GUILESS_MAIN(TestLevelMenuPresenter)
#include "tst_LevelMenuPresenter.moc"
