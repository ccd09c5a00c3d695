// The level menu for a school of 2000 and of 100 listed pupils with 20000 records (file in the
// page cache), offscreen: the menu activated with every list of the opening view filled and
// painted; today's list, a ten-year period list and the time history, each chosen as its option
// chooses it; a switch between the time and the points displays. Figures only.
#include "BenchFigures.h"
#include "base/OleDate.h"
#include "menu/ui/LevelMenu.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace BenchFigures;

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));

// Paints the whole menu now, lists included.
void PaintNow(QWidget* menu)
{
    menu->repaint();
    for (QListView* list : menu->findChildren<QListView*>())
        if (list->isVisible())
            list->viewport()->repaint();
}

void RunSchool(int pupils)
{
    TestInstallation inst;
    inst.WriteAll();
    ResetTestScopes();
    inst.ApplyTo(TestSchool());
    inst.WriteNumberedRoster(pupils);
    {
        QByteArray bytes;
        const double today = OleDate::FromDate(Now.date());
        for (int i = 0; i < 20000; ++i) {
            ScoreRecord r;
            r.Date = today - (19999 - i) / 400; // fifty days, the newest last
            r.TimeOfDay = 0.3 + (i % 400) / 2000.0;
            r.Pupil = qint16(1 + (i * 7) % pupils);
            r.Level = qint16(1 + i % 3);
            r.Seconds = i % 97 == 0 ? 99999 : 40 + i % 200;
            bytes += ScoreRecordCodec::Encode(r);
        }
        AppCalls::WriteScoreBytes(bytes);
    }
    ManualClock clock(Now);
    ScriptedRandom random({0.3});
    TestEnv().TheClock = &clock;
    TestEnv().Random = &random;
    TestEnv().Wait = [](int) {};
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().Catalogue.Build();
    AppCalls::LoadPassCriteria();
    AppCalls::LoadRoster();
    TestSession().CurrentPupil = 7;
    TestSession().CurrentPupilName = QStringLiteral("生徒7");
    TestSession().GradeFilterText = QStringLiteral("全学年");
    TestSession().LoginTime = 9 * 3600;

    std::printf("bench_menu: %d listed pupils, 20000 score records\n", pupils);
    constexpr int Runs = 9;
    const Figures open = Measure(Runs, [] {
        auto* menu = new LevelMenu(TestSchool(), TestSession(), TestEnv());
        menu->ShowScreen();
        while (!menu->IsReady())
            QCoreApplication::processEvents();
        PaintNow(menu);
        menu->close();
        QCoreApplication::processEvents();
        DeleteAllScreens();
    });
    Print("menu activated, opening view filled and painted", open, "30 ms");

    auto* menu = new LevelMenu(TestSchool(), TestSession(), TestEnv());
    menu->ShowScreen();
    while (!menu->IsReady())
        QCoreApplication::processEvents();
    LevelMenuPresenter& presenter = menu->Presenter();
    Print("today's attempts", Measure(Runs, [&] {
              presenter.ChooseView(MenuView::TodaysAttempts);
              PaintNow(menu);
          }), "20 ms");
    presenter.ChooseView(MenuView::PeriodAttempts);
    Print("a ten-year period's attempts", Measure(Runs, [&] {
              presenter.ChoosePeriod(ListPeriod::TenYears);
              PaintNow(menu);
          }), "20 ms");
    std::vector<ScoreRecord> window;
    Print("  of which reading the last 20000 records",
          Measure(Runs, [&window] { window = AppCalls::File().ReadLastRecords(ResultLists::PeriodWindow); }), "-");
    ResultLists::Inputs in;
    in.Roster = &TestSchool().Roster;
    in.Scores = &TestSchool().Scores;
    in.Results = &TestSchool().Results;
    in.Criteria = &TestSchool().Criteria;
    in.Catalogue = &TestSchool().Catalogue;
    in.LevelCount = 3;
    in.CurrentPupil = TestSession().CurrentPupil;
    in.GradeFilterText = QStringLiteral("全学年");
    in.Now = Now;
    Print("  of which building the rows",
          Measure(Runs, [&] { ResultLists::PeriodRows(window, ResultLists::TimeDisplay, 3650, in); }), "-");
    Print("the pupil's time history", Measure(Runs, [&] {
              presenter.ChooseView(MenuView::TimeHistory);
              PaintNow(menu);
          }), "20 ms");
    auto* time = menu->findChild<QRadioButton*>("Option2_0");
    auto* points = menu->findChild<QRadioButton*>("Option2_1");
    bool toTime = true;
    Print("switch between the time and the points display", Measure(Runs, [&] {
              QTest::mouseClick(toTime ? time : points, Qt::LeftButton);
              toTime = !toTime;
              PaintNow(menu);
          }), "30 ms");
    DeleteAllScreens();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv().Windowed = true;
    RunSchool(2000);
    RunSchool(100);
    return 0;
}
