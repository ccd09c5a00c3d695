// Time from the key that solves the tenth problem to the attempt end screen activated (its
// outcome shown) and painted after that, less the one-second wait (replaced by no wait here). A real installation with 20000 records in
// the score file, so the append and the rebuild of the result tables are included. Offscreen.
#include "support/AppCalls.h"
#include "attempt_end/ui/AttemptEndScreen.h"
#include "drill/ui/DrillScreen.h"
#include "records/PassCriteriaFile.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "base/OleDate.h"
#include "app/ScreenFlow.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
template <typename T>
T* Visible()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<T*>(w); s && s->isVisible())
            return s;
    return nullptr;
}

// Notes the first paint of the attempt end screen's time line once it shows the attempt's time.
class PaintWatch : public QObject {
public:
    bool Painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("TimeLine"))
            if (auto* line = qobject_cast<QLabel*>(watched);
                line && !line->text().isEmpty() && qobject_cast<AttemptEndScreen*>(line->window()))
                Painted = true;
        return false;
    }
};

QString Answer(const FractionProblem& p)
{
    QString keys;
    for (int cell = 1; cell <= 11; ++cell)
        if (p.IsAsked(cell))
            keys += p.Expected[std::size_t(cell)] + u' ';
    return keys;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestInstallation inst;
    inst.WriteAll();
    {
        QByteArray bytes;
        const double today = OleDate::FromDate(QDate(2026, 12, 10));
        for (int i = 0; i < 20000; ++i) {
            ScoreRecord r;
            r.Date = today - (i % 30);
            r.TimeOfDay = 0.4;
            r.Pupil = qint16(1 + i % 600);
            r.Level = qint16(1 + i % 3);
            r.Seconds = 40 + i % 200;
            bytes += ScoreRecordCodec::Encode(r);
        }
        QFile f(inst.DataFolder + QStringLiteral("成績累積データ.dat"));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    ResetTestScopes();
    inst.ApplyTo(TestSchool());
    ManualClock clock;
    ScriptedRandom random({0.3});
    TestEnv().TheClock = &clock;
    TestEnv().Random = &random;
    TestEnv().Wait = [](int) {};
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().Catalogue.Build();
    TestSession().CurrentPupil = 7;
    TestSession().CurrentPupilName = QStringLiteral("山田太郎");
    TestSession().CurrentLevel = 2;
    AppCalls::LoadPassCriteria();

    ScreenFlow flow(TestSchool(), TestSession(), TestEnv());
    constexpr int Runs = 15;
    std::vector<double> ms;
    for (int run = 0; run < Runs; ++run) {
        flow.StartDrill();
        DrillScreen* drill = Visible<DrillScreen>();
        if (!drill || !QTest::qWaitForWindowExposed(drill))
            qFatal("drill screen not shown");
        for (int problem = 1; problem < 10; ++problem)
            QTest::keyClicks(drill, Answer(drill->Model().Problem()));
        QString last = Answer(drill->Model().Problem());
        last.chop(1);
        QTest::keyClicks(drill, last);
        QCoreApplication::processEvents();

        // The end screen opens inside the key's handling; its activation runs from the event loop.
        PaintWatch watch;
        qApp->installEventFilter(&watch);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(drill, Qt::Key_Space);
        AttemptEndScreen* end = nullptr;
        while (!(end = Visible<AttemptEndScreen>()) && timer.elapsed() < 10000)
            QCoreApplication::processEvents();
        if (!end)
            qFatal("attempt end screen not shown");
        bool activated = false;
        QObject::connect(end, &AttemptEndScreen::Activated, [&activated] { activated = true; });
        while (!(activated && watch.Painted) && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        qApp->removeEventFilter(&watch);
        if (end)
            end->close();
        QCoreApplication::processEvents();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("bench_attempt_end: key solving the tenth problem -> attempt end screen activated and painted "
                "(20000 records, one-second wait left out)\n"
                "  median %.2f ms, fastest %.2f ms, slowest %.2f ms over %d attempts\n",
                ms[ms.size() / 2], ms.front(), ms.back(), Runs);
    return 0;
}
