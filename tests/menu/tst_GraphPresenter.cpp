// The graph panel's presenter without widgets, as the level menu drives it, over a real
// installation and score file: which bands of whose graph the screen gets, and what printing tells.
#include "base/OleDate.h"
#include "menu/GraphPresenter.h"
#include "menu/LevelMenuPresenter.h"
#include "records/ScoreRecord.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include "support/TestScopes.h"
#include <QSignalSpy>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(std::vector<GraphPresenter::PrintOutcome>)

namespace {
// Thursday 10 December 2026, 10:00.
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 0, 0));
const int Levels = 7;
const QSizeF Screen(1000, 900);

ScoreRecord Record(int pupil, int level, int seconds, int daysAgo)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Now.date()) - daysAgo;
    r.TimeOfDay = 0.375;
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

GraphPresenter::PrintOutcome Printed(const QString& where) { return {true, where, QString()}; }
GraphPresenter::PrintOutcome Failed(const QString& error) { return {false, QString(), error}; }
} // namespace

class TestGraphPresenter : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<LevelMenuPresenter> Menu;

    // The menu on the pupil's own times, with the graph open.
    void OpenGraph()
    {
        AppCalls::ComputeResultTables();
        Menu = std::make_unique<LevelMenuPresenter>(
            [] { return StateViews::MenuInputs(TestSchool(), TestSession(), TestEnv()); });
        Menu->Refresh();
        Menu->ChooseView(MenuView::TimeHistory);
        QVERIFY(Menu->Shown().GraphButtonShown);
        Graph().ResizeScreen(Screen);
        Menu->OpenGraph();
        QVERIFY(Graph().IsOpen());
    }
    GraphPresenter& Graph() { return Menu->Graph(); }
    QList<int> BandLevels()
    {
        QList<int> levels;
        for (const GraphBand& b : Graph().Bands())
            levels << b.Level;
        return levels;
    }
    int PupilRow(int pupil)
    {
        const std::vector<TimeGraph::PupilChoice>& rows = Graph().PupilRows();
        for (std::size_t row = 0; row < rows.size(); ++row)
            if (rows[row].Pupil == pupil)
                return int(row);
        return -1;
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
        Inst->WriteUniformCriteria(Levels);
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2014,0,0,鈴木一郎,0,,\n"
                                         "4,1980,0,0,先生,0,,\n"));
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        for (int l = 4; l <= Levels; ++l) {
            TestSchool().Catalogue.LevelName[std::size_t(l)] = QStringLiteral("レベル%1").arg(l);
            TestSchool().Catalogue.LevelInUse[std::size_t(l)] = true;
        }
        TestSchool().Catalogue.LevelCount = Levels;
        TestSchool().Catalogue.FinalLevel = Levels;
        AppCalls::LoadPassCriteria(Levels);
        QVERIFY(AppCalls::LoadRoster());
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎");
        TestSession().CurrentGradeLabel = QStringLiteral("小５");
        TestSession().GradeFilterText = QStringLiteral("全学年");
        AppCalls::WriteScoreRecords({Record(1, 1, 50, 3), Record(2, 1, 40, 3), Record(1, 1, 45, 2), Record(1, 1, 48, 1),
                                     Record(1, 2, 70, 2), Record(2, 2, 30, 1), Record(3, 5, 20, 1)});
    }
    void cleanup()
    {
        Menu.reset();
        ResetTestScopes();
    }

    void opensOnTheFirstThreeLevelsOfThePupil()
    {
        OpenGraph();
        QCOMPARE(Graph().LevelRows(), (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
        QCOMPARE(Graph().ChosenLevelRows(), (std::vector<int>{0, 1, 2}));
        QCOMPARE(BandLevels(), (QList<int>{1, 2, 3}));
        QCOMPARE(Graph().Pupil(), 1);
        const GraphBand& first = Graph().Bands().front();
        QCOMPARE(first.Pupil, 1);
        QCOMPARE(int(first.Dots.size()), 3);
        QCOMPARE(int(first.Records.size()), 2);
        QCOMPARE(first.Top, 0.05 * Screen.height());
        QVERIFY(!Graph().OtherPupilsShown());
        QVERIFY(Graph().ChosenPupilRows().empty());
        QVERIFY(Menu->Shown().OrderPanelEnabled);

        // Another display closes the graph.
        Menu->ChooseDisplay(MenuDisplay::Times);
        QVERIFY(!Graph().IsOpen());
        QVERIFY(!Menu->Shown().GraphButtonShown);
    }

    // The chosen levels, three bands to a page: only the last page stays on the screen.
    void levelsChosen_data()
    {
        QTest::addColumn<std::vector<int>>("rows");
        QTest::addColumn<QList<int>>("bands");
        QTest::newRow("one") << std::vector<int>{0} << QList<int>{1};
        QTest::newRow("a fourth starts a page") << std::vector<int>{0, 1, 2, 3} << QList<int>{4};
        QTest::newRow("in their order, whatever the order chosen") << std::vector<int>{4, 1} << QList<int>{2, 5};
        QTest::newRow("all seven") << std::vector<int>{6, 5, 4, 3, 2, 1, 0} << QList<int>{7};
        QTest::newRow("none") << std::vector<int>{} << QList<int>{};
    }
    void levelsChosen()
    {
        QFETCH(std::vector<int>, rows);
        QFETCH(QList<int>, bands);
        OpenGraph();
        Graph().ChooseLevelRows(rows);
        Graph().ShowChosenLevelsOfChosenPupils(TimeGraph::Surface::Screen);
        QCOMPARE(BandLevels(), bands);
    }

    // Another pupil's graph; of several chosen, the screen keeps the last in the list.
    void pupilsChosen_data()
    {
        QTest::addColumn<QList<int>>("pupils");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("dots");  // on level 1
        QTest::newRow("佐藤花子") << QList<int>{2} << 2 << 1;
        QTest::newRow("two, the last in the list stays") << QList<int>{2, 1} << 2 << 1;
        QTest::newRow("none: the pupil's own") << QList<int>{} << 1 << 3;
    }
    void pupilsChosen()
    {
        QFETCH(QList<int>, pupils);
        QFETCH(int, shown);
        QFETCH(int, dots);
        OpenGraph();
        Graph().ShowOtherPupils();
        QVERIFY(Graph().OtherPupilsShown());
        std::vector<int> rows;
        for (const int pupil : pupils)
            rows.push_back(PupilRow(pupil));
        Graph().ChoosePupilRows(rows);
        Graph().ShowChosenLevelsOfChosenPupils(TimeGraph::Surface::Screen);
        QCOMPARE(Graph().Pupil(), shown);
        QCOMPARE(Graph().Bands().front().Pupil, shown);
        QCOMPARE(int(Graph().Bands().front().Dots.size()), dots);
    }

    // A new size places the bands shown again, of the same pupil and levels.
    void resizedScreen()
    {
        OpenGraph();
        Graph().ShowOtherPupils();
        Graph().ChoosePupilRows({PupilRow(2)});
        Graph().ShowChosenLevelsOfChosenPupils(TimeGraph::Surface::Screen);
        Graph().ResizeScreen(QSizeF(500, 300));
        QCOMPARE(BandLevels(), (QList<int>{1, 2, 3}));
        QCOMPARE(Graph().Bands().front().Pupil, 2);
        QCOMPARE(Graph().Bands().front().Top, 0.05 * 300);
    }

    // Without a printer nothing is printed, and the teacher is told why.
    void noPrinter()
    {
        TestSession().CurrentPupil = 4;
        TestSession().CurrentPupilName = QStringLiteral("先生");
        OpenGraph();
        QVERIFY(Graph().PrintAllowed());
        QSignalSpy reported(&Graph(), &GraphPresenter::PrintingReported);
        Graph().ShowChosenLevelsOfChosenPupils(TimeGraph::Surface::Paper);
        QCOMPARE(reported.size(), 1);
        QCOMPARE(reported[0][0].toString(), QStringLiteral("この機械では印刷できません（印刷先が設定されていません）。"));
        QVERIFY(reported[0][1].toBool());
    }

    // What the teacher is told after printing for one pupil or several.
    void printReport_data()
    {
        QTest::addColumn<std::vector<GraphPresenter::PrintOutcome>>("outcomes");
        QTest::addColumn<bool>("files");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("problem");
        QTest::newRow("PDF files") << std::vector{Printed("/pdf/1.pdf"), Printed("/pdf/2.pdf")} << true
                                   << "プリンターがないため、PDFファイルに保存しました。\n/pdf/1.pdf\n/pdf/2.pdf" << false;
        QTest::newRow("on paper") << std::vector{Printed("教室"), Printed("教室")} << false
                                  << "教室 に 2 部を印刷しました。" << false;
        QTest::newRow("the second failed") << std::vector{Printed("教室"), Failed("紙がありません。")} << false
                                           << "教室 に 1 部を印刷しました。\n\n紙がありません。" << true;
        QTest::newRow("the first failed") << std::vector{Failed("印刷できませんでした。")} << true
                                          << "印刷できませんでした。" << true;
    }
    void printReport()
    {
        QFETCH(std::vector<GraphPresenter::PrintOutcome>, outcomes);
        QFETCH(bool, files);
        QFETCH(QString, text);
        QFETCH(bool, problem);
        bool said = false;
        QCOMPARE(GraphPresenter::PrintReport(outcomes, files, &said), text);
        QCOMPARE(said, problem);
    }
};

QTEST_GUILESS_MAIN(TestGraphPresenter)
#include "tst_GraphPresenter.moc"
