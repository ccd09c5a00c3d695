// The time graph for a pupil with 500 attempts in a 20000-record file (in the page cache) of 600
// pupils, offscreen: one band computed and painted on the screen, the panel redrawn for one level
// as a click on the level list does, and nine levels printed to PDF (three pages). Figures only.
#include "BenchFigures.h"
#include "base/OleDate.h"
#include "base/ui/SystemSheetPrinter.h"
#include "menu/TimeGraph.h"
#include "menu/ui/GraphPainter.h"
#include "menu/ui/GraphSurface.h"
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
#include <QImage>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace BenchFigures;

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));
constexpr int Pupils = 600;
constexpr int Levels = 9;
constexpr int Pupil = 7;

void WriteScores()
{
    QByteArray bytes;
    const double today = OleDate::FromDate(Now.date());
    for (int i = 0; i < 20000; ++i) {
        ScoreRecord r;
        r.Date = today - (19999 - i) / 400;
        r.TimeOfDay = 0.3 + (i % 400) / 2000.0;
        // Every fortieth record is the pupil's: 500 attempts, spread over the levels.
        r.Pupil = qint16(i % 40 == 0 ? Pupil : 1 + (i * 7) % Pupils);
        r.Level = qint16(i % 40 == 0 ? 1 : 1 + i % Levels);
        r.Seconds = i % 97 == 0 ? 99999 : 40 + (i * 13) % 300;
        bytes += ScoreRecordCodec::Encode(r);
    }
    AppCalls::WriteScoreBytes(bytes);
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv().Windowed = true;

    TestInstallation inst;
    inst.WriteAll();
    ResetTestScopes();
    inst.ApplyTo(TestSchool());
    inst.WriteNumberedRoster(Pupils);
    inst.WriteUniformCriteria(Levels);
    WriteScores();

    ManualClock clock(Now);
    ScriptedRandom random({0.3});
    QTemporaryDir pdfs;
    SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
    printer.SetPdfFolder(pdfs.path());
    TestEnv().TheClock = &clock;
    TestEnv().Random = &random;
    TestEnv().Printer = &printer;
    TestEnv().Wait = [](int) {};
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().Catalogue.Build();
    for (int l = 4; l <= Levels; ++l) {
        TestSchool().Catalogue.LevelName[std::size_t(l)] = QStringLiteral("レベル%1").arg(l);
        TestSchool().Catalogue.LevelInUse[std::size_t(l)] = true;
    }
    TestSchool().Catalogue.LevelCount = Levels;
    AppCalls::LoadPassCriteria(Levels);
    AppCalls::LoadRoster();
    TestSession().CurrentPupil = Pupil;
    // The teacher, who prints.
    TestSession().CurrentPupilName = QStringLiteral("生徒7先生");
    TestSession().GradeFilterText = QStringLiteral("全学年");
    AppCalls::ComputeResultTables();

    auto* menu = new LevelMenu(TestSchool(), TestSession(), TestEnv());
    menu->ShowScreen();
    while (!menu->IsReady())
        QCoreApplication::processEvents();
    menu->findChild<QRadioButton*>(QStringLiteral("Option2_2"))->click();
    menu->OpenGraph();
    auto* surface = menu->findChild<GraphSurface*>(QStringLiteral("Picture12"));
    auto* levels = menu->findChild<QListView*>(QStringLiteral("List3"));

    std::printf("bench_graph: %d listed pupils, 20000 score records, the pupil's 500 attempts on level 1\n", Pupils);
    constexpr int Runs = 15;
    const std::vector<ScoreRecord> records = AppCalls::File().ReadLastRecords(TimeGraph::Window);
    TimeGraph::Inputs in;
    in.Lists.Roster = &TestSchool().Roster;
    in.Lists.Scores = &TestSchool().Scores;
    in.Lists.Results = &TestSchool().Results;
    in.Lists.Criteria = &TestSchool().Criteria;
    in.Lists.Catalogue = &TestSchool().Catalogue;
    in.Lists.LevelCount = Levels;
    in.Lists.CurrentPupil = Pupil;
    in.Lists.GradeFilterText = QStringLiteral("全学年");
    in.Lists.Now = Now;
    in.ProgramTitle = TestSchool().ProgramTitle;
    QImage picture(surface->size(), QImage::Format_RGB32);
    int dots = 0;
    Print("one band: rankings, band computed and painted", Collect(Runs, [&] {
              return Timed([&] {
                  const TimeGraph::Standing standing = TimeGraph::StandingIn(
                      TimeGraph::TimeRanking(1, in), TimeGraph::PointsRanking(1, in), 1, Pupil, in);
                  const GraphBand band = TimeGraph::Band(records, 1, Pupil, standing, in, QSizeF(picture.size()),
                                                         {1, 0, 0.05}, TimeGraph::Surface::Screen);
                  dots = int(band.Dots.size());
                  QPainter painter(&picture);
                  picture.fill(Qt::white);
                  GraphPainter::Paint(painter, QRectF(picture.rect()), band, GraphPainter::ScreenStyle(menu->Scale()));
              });
          }), "16 ms");
    std::printf("  (the band holds %d points)\n", dots);
    Print("the panel redrawn for level 1 (file read, band, screen paint)", Collect(Runs, [&] {
              return Timed([&] {
                  levels->clearSelection();
                  levels->selectionModel()->select(levels->model()->index(0, 0), QItemSelectionModel::Select);
                  surface->repaint();
              });
          }), "16 ms");

    // Nine levels to PDF: three pages. The time runs until the box that tells where the file is.
    for (int row = 0; row < Levels; ++row)
        levels->selectionModel()->select(levels->model()->index(row, 0), QItemSelectionModel::Select);
    auto* print = menu->findChild<QPushButton*>(QStringLiteral("Command24_1"));
    Print("three pages printed to PDF", Collect(7, [&] {
              QElapsedTimer t;
              double ms = 0;
              QTimer watch;
              QObject::connect(&watch, &QTimer::timeout, [&] {
                  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                      if (ms == 0)
                          ms = t.nsecsElapsed() / 1e6;
                      box->done(QMessageBox::Ok);
                  }
              });
              watch.start(0);
              t.start();
              print->click();
              return ms;
          }), "300 ms");
    DeleteAllScreens();
    return 0;
}
