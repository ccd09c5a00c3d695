// Time from the start of the screen flow to the first window (the splash screen) and to the name
// screen ready for the pupil (configuration, criteria, sounds, roster and score file read, list
// filled): 1000 pupils in the roster, 20000 score records. The splash screen stands for 100 ms
// before the configuration is read; that pause is part of the second figure.
#include "BenchFigures.h"
#include "app/ScreenFlow.h"
#include "base/Clock.h"
#include "base/OleDate.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "roster/ui/NameScreen.h"
#include "setup/ui/SplashScreen.h"
#include "support/AppCalls.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "support/TestScopes.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

using namespace BenchFigures;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ResetTestScopes();

    TestInstallation inst;
    inst.WriteAll();
    inst.WriteNumberedRoster(1000);
    constexpr int Records = 20000;
    QFile scores(inst.DataFolder + QStringLiteral("成績累積データ.dat"));
    if (!scores.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the score file");
    const QDate today = TestEnv().TheClock->Today();
    for (int i = 0; i < Records; ++i) {
        ScoreRecord r;
        r.Date = OleDate::FromDate(today.addDays(-(i % 400)));
        r.TimeOfDay = OleDate::FromTime(QTime(9 + i % 8, i % 60));
        r.Pupil = qint16(1 + i % 1000);
        r.Level = qint16(1 + i % 3);
        r.Seconds = 40 + i % 200;
        r.SchoolCode = QByteArray("12345");
        scores.write(ScoreRecordCodec::Encode(r));
    }
    scores.close();

    constexpr int Runs = 7;
    std::vector<double> splash, names;
    for (int run = 0; run < Runs; ++run) {
        ResetTestScopes();
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;
        TestSchool().CheckShareAtStart = false;
        QElapsedTimer timer;
        timer.start();
        {
            ScreenFlow flow(TestSchool(), TestSession(), TestEnv());
            flow.Start();
            double splashMs = -1;
            while (Visible<NameScreen>().isEmpty() && timer.elapsed() < 10000) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                if (splashMs < 0 && !Visible<SplashScreen>().isEmpty())
                    splashMs = timer.nsecsElapsed() / 1e6;
            }
            QCoreApplication::processEvents(); // the name screen's first paint
            names.push_back(timer.nsecsElapsed() / 1e6);
            splash.push_back(splashMs);
            DeleteAllScreens();
        }
    }
    std::printf("bench_first_window: 1000 pupils, %d score records\n", Records);
    const auto figures = [](std::vector<double> ms) {
        std::sort(ms.begin(), ms.end());
        return Figures{ms[ms.size() / 2], ms.front(), ms.back()};
    };
    Print("start to the first window (splash screen shown)", figures(splash), "-");
    Print("start to the name screen filled and painted (with 100 ms pause)", figures(names), "-");
    return 0;
}
