// The teacher's record browser on a score file of 100 000 records (in the page cache) of 600
// pupils from two schools, offscreen: the screen opened until its list is shown and painted, the
// file read into the list alone, and the list scrolled a page at a time. The resident memory of the
// whole program is printed with them. Figures only.
#include "BenchFigures.h"
#include "base/OleDate.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "state/StateViews.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "teacher/RecordListModel.h"
#include "teacher/ui/RecordBrowser.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace BenchFigures;

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));
constexpr int Records = 100000;
constexpr int Pupils = 600;

// VmRSS and VmHWM of this process in MB.
void PrintMemory(const char* when)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        std::printf("  memory %s: /proc/self/status unreadable\n", when);
        return;
    }
    double rss = 0;
    double hwm = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 2 && parts[0] == "VmRSS:")
            rss = parts[1].toDouble() / 1024;
        else if (parts.size() >= 2 && parts[0] == "VmHWM:")
            hwm = parts[1].toDouble() / 1024;
    }
    std::printf("  memory %-45s VmRSS %6.1f MB, VmHWM %6.1f MB (target <= 60 MB with the browser open)\n", when, rss,
                hwm);
}

void WriteScores()
{
    QByteArray bytes;
    bytes.reserve(Records * ScoreRecordCodec::Size);
    const double today = OleDate::FromDate(Now.date());
    for (int i = 0; i < Records; ++i) {
        ScoreRecord r;
        r.Date = today - (Records - 1 - i) / 100;
        r.TimeOfDay = 0.3 + (i % 100) / 400.0;
        r.Pupil = qint16(1 + (i * 7) % Pupils);
        r.Level = qint16(i % 250 == 0 ? 0 : 1 + i % 20);
        r.Seconds = i % 97 == 0 ? 99999 : 40 + (i * 13) % 300;
        r.SchoolCode = i % 5 == 0 ? QByteArray("99999") : QByteArray("12345");
        bytes += ScoreRecordCodec::Encode(r);
    }
    AppCalls::WriteScoreBytes(bytes);
}

// Notes when the list's viewport has been painted.
class PaintWatch : public QObject {
public:
    bool Painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Opens the browser and returns it once its list has been painted; `ms` gets the time it took.
RecordBrowser* OpenBrowser(double* ms)
{
    QElapsedTimer t;
    t.start();
    auto* screen = new RecordBrowser(TestSchool(), TestEnv());
    PaintWatch watch;
    auto* list = screen->findChild<QListView*>(QStringLiteral("List1"));
    list->viewport()->installEventFilter(&watch);
    screen->ShowScreen();
    while (!watch.Painted)
        QCoreApplication::processEvents();
    *ms = t.nsecsElapsed() / 1e6;
    list->viewport()->removeEventFilter(&watch);
    if (list->model()->rowCount() == 0)
        qFatal("the browser listed nothing");
    return screen;
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
    WriteScores();

    ManualClock clock(Now);
    TestEnv().TheClock = &clock;
    TestEnv().Wait = [](int) {};
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().SchoolName = QStringLiteral("テスト小学校");

    std::printf("bench_record_browser: %d score records (every 250th of level 0, every 5th of another school), %d pupils\n",
                Records, Pupils);
    PrintMemory("before the browser opens");

    double first = 0;
    RecordBrowser* screen = OpenBrowser(&first);
    std::printf("  %-52s %7.2f ms (target <= 300 ms)\n", "first opening until the list is painted", first);
    PrintMemory("with the browser open");
    // The teacher rebuilding the list ("一覧表示") does not make the program grow.
    auto* rebuild = screen->findChild<QPushButton*>(QStringLiteral("Command1"));
    Print("rebuilding the list from the file (一覧表示)", Collect(10, [&] {
              return Timed([&] {
                  rebuild->click();
                  QCoreApplication::processEvents();
              });
          }),
          "-");
    PrintMemory("after rebuilding the list ten times");
    delete screen;

    constexpr int Runs = 7;
    Print("opening until the list is painted", Collect(Runs, [] {
              double ms = 0;
              delete OpenBrowser(&ms);
              return ms;
          }),
          "<= 300 ms");

    RecordListModel model;
    model.SetTables(RecordLines::MakeTables(TestSchool().Roster, TestSchool().SchoolCode, TestSchool().SchoolName));
    const ScoreFile file = StateViews::Scores(TestSchool(), TestEnv());
    Print("reading the file into the list (no screen)", Collect(Runs, [&] { return Timed([&] { model.Load(file); }); }),
          "within the opening");

    screen = OpenBrowser(&first);
    auto* list = screen->findChild<QListView*>(QStringLiteral("List1"));
    QScrollBar* bar = list->verticalScrollBar();
    // Pages from the top, the middle and the end of the list, each painted at once.
    const int starts[] = {0, bar->maximum() / 2, std::max(0, bar->maximum() - 40 * bar->pageStep())};
    std::vector<double> pages;
    for (const int start : starts) {
        bar->setValue(start);
        list->viewport()->repaint();
        for (int i = 0; i < 30; ++i)
            pages.push_back(Timed([&] {
                bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
                list->viewport()->repaint();
            }));
    }
    std::sort(pages.begin(), pages.end());
    Print("scrolling the list a page and painting it", {pages[pages.size() / 2], pages.front(), pages.back()},
          "smooth: well under 16 ms");
    delete screen;
    return 0;
}
