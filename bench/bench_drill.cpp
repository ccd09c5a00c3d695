// Time from a key press on the drill screen to the repainted cell: a digit typed into the cursor
// cell, measured until the cell's paint event has run. Offscreen, fixed problems.
#include "drill/ui/DrillScreen.h"
#include "support/TestScopes.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
class PaintWatch : public QObject {
public:
    bool Painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ResetTestScopes();
    ManualClock clock;
    ScriptedRandom random({0.3, 0.0, 0.8, 0.8, 0.25});
    TestEnv().TheClock = &clock;
    TestEnv().Random = &random;
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().Catalogue.Build();
    TestSession().CurrentLevel = 1;
    TestSchool().Criteria[1].TargetTime = 60;
    TestSchool().Criteria[1].LowestTime = 90;
    TestSession().CurrentPupilName = QStringLiteral("山田太郎");

    DrillScreen screen(TestSchool(), TestSession(), TestEnv());
    screen.Model().EndAttempt = [] {};
    screen.resize(1024, 768);
    screen.show();
    if (!QTest::qWaitForWindowExposed(&screen))
        qFatal("drill screen not exposed");
    QCoreApplication::processEvents();
    auto* cell = screen.findChild<QLabel*>(QStringLiteral("Cell_5"));
    PaintWatch watch;
    cell->installEventFilter(&watch);

    constexpr int Presses = 300;
    std::vector<double> ms;
    ms.reserve(Presses);
    int missed = 0;
    for (int i = 0; i < Presses; ++i) {
        // Keep the cell below three characters so every press changes it.
        if (i % 2 == 0)
            QTest::keyClick(&screen, Qt::Key_Down);
        QCoreApplication::processEvents();
        watch.Painted = false;
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&screen, char('1' + i % 9));
        // Counted until the pass of the event loop that painted the cell has finished.
        do
            QCoreApplication::processEvents();
        while (!watch.Painted && timer.elapsed() < 1000);
        if (!watch.Painted)
            ++missed;
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    // The whole screen drawn again after the press (the picture, the header and every cell).
    std::vector<double> whole;
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(&screen, Qt::Key_Down);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&screen, char('1' + i % 9));
        const QPixmap picture = screen.grab();
        whole.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(whole.begin(), whole.end());

    std::sort(ms.begin(), ms.end());
    std::printf("bench_drill: key press to repainted cell, %d presses (%d without a paint)\n", Presses, missed);
    std::printf("  median %.3f ms, 90th percentile %.3f ms, fastest %.3f ms, slowest %.3f ms\n",
                ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.front(), ms.back());
    std::printf("  key press and a full repaint of the screen (grab): median %.3f ms over %zu presses\n",
                whole[whole.size() / 2], whole.size());
    return 0;
}
