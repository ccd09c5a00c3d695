// The class overview for 2000 listed pupils on 35 levels from 20000 records (page cache warm):
// computed, then the screen opened until its first paint; and its A4 sheets for 90 pupils on the
// menu's three levels written to a PDF. Figures only.
#include "BenchFigures.h"
#include "base/OleDate.h"
#include "base/ui/SystemSheetPrinter.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "state/StateViews.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "teacher/ClassOverview.h"
#include "teacher/ui/ClassOverviewScreen.h"
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace BenchFigures;

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));

void WriteRecords(int pupils, int levels)
{
    QList<ScoreRecord> records;
    for (int i = 0; i < 20000; ++i) {
        ScoreRecord r;
        r.Date = OleDate::FromDate(Now.date()) - (19999 - i) / 400;
        r.TimeOfDay = 0.3 + (i % 400) / 2000.0;
        r.Pupil = qint16(1 + (i * 7) % pupils);
        r.Level = qint16(1 + i % levels);
        r.Seconds = i % 97 == 0 ? 99999 : 40 + i % 200;
        records << r;
    }
    AppCalls::WriteScoreRecords(records);
}

ResultLists::Inputs Inputs() { return StateViews::ListInputs(TestSchool(), TestSession(), TestEnv(), TestSchool().Roster, QStringLiteral("全学年")); }
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ManualClock clock(Now);
    TestEnv().Windowed = true;
    TestInstallation inst;
    inst.WriteAll();
    ResetTestScopes();
    inst.ApplyTo(TestSchool());
    TestEnv().TheClock = &clock;
    TestEnv().Wait = [](int) {};
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().Catalogue.Build();

    // 2000 pupils, 35 levels.
    constexpr int Levels = 35;
    TestSchool().Catalogue.LevelCount = Levels;
    for (int l = 1; l <= Levels; ++l) {
        TestSchool().Catalogue.LevelName[std::size_t(l)] = QStringLiteral("レベル%1").arg(l);
        TestSchool().Catalogue.LevelInUse[std::size_t(l)] = true;
    }
    inst.WriteUniformCriteria(Levels);
    AppCalls::LoadPassCriteria();
    inst.WriteNumberedRoster(2000);
    WriteRecords(2000, Levels);
    AppCalls::ComputeResultTables();
    RosterFile::LoadRoster(TestSchool().DataRoot, 0, 2026, TestSchool().Roster);
    const std::vector<ScoreRecord> records = AppCalls::File().ReadLastRecords(20000);
    std::printf("bench_class_overview: 2000 listed pupils, %d levels, %zu records\n", Levels, records.size());
    int rows = 0;
    Print("the overview computed (this week)",
          Measure(21, [&] { rows = int(ClassOverview::Compute(records, Inputs(), ClassOverview::Period::ThisWeek).Rows.size()); }),
          "30 ms");
    Print("the screen opened until its first paint (file read included)", Measure(7, [&] {
              auto* screen = new ClassOverviewScreen(TestSchool(), TestSession(), TestEnv(), QStringLiteral("全学年"));
              screen->ShowScreen();
              QCoreApplication::processEvents();
              delete screen;
          }),
          "100 ms");

    // 90 pupils on the menu's three levels, on paper.
    TestSchool().Catalogue.Build();
    inst.WriteNumberedRoster(90);
    WriteRecords(90, 3);
    QTemporaryDir pdfs;
    SystemSheetPrinter pdf(SystemSheetPrinter::Output::PdfFiles);
    pdf.SetPdfFolder(pdfs.path());
    TestEnv().Printer = &pdf;
    auto* screen = new ClassOverviewScreen(TestSchool(), TestSession(), TestEnv(), QStringLiteral("全学年"));
    screen->ShowScreen();
    QCoreApplication::processEvents();
    MessageWatch boxes;
    Print("its sheets for 90 pupils written to a PDF (3 pages)",
          Measure(7, [&] { screen->findChild<QPushButton*>(QStringLiteral("PrintButton"))->click(); }), "500 ms");
    delete screen;
    if (boxes.Texts.size() != 7 || rows != 2000) {
        std::fprintf(stderr, "expected 2000 rows and 7 printed sheets, got %d and %lld\n", rows, qint64(boxes.Texts.size()));
        return 1;
    }
    return 0;
}
