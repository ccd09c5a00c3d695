#include "shell/ui/ScreenFlow.h"
#include "attempt_end/ui/FrmSyuuryou.h"
#include "drill/ui/MainFrm.h"
#include "records/ResultEvaluation.h"
#include "roster/ui/namesel.h"
#include "shell/AppState.h"
#include "shell/Configuration.h"
#include "shell/FatalError.h"
#include "shell/ui/BASEFRM.h"
#include "shell/ui/LevelMenuPlaceholder.h"
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>

std::function<void(const QString&)> ScreenFlow::FatalHook;

namespace {
QPointer<BASEFRM>& WaitScreen()
{
    static QPointer<BASEFRM> screen;
    return screen;
}
} // namespace

void ScreenFlow::OpenNameSelection()
{
    try {
        Configuration::LoadPathsAndConfiguration();
    } catch (const FatalError& e) {
        Fatal(e.Message);
        return;
    }
    ShowNameSelection();
}

void ScreenFlow::ShowNameSelection()
{
    auto* screen = new namesel;
    screen->setAttribute(Qt::WA_DeleteOnClose);
    screen->ShowScreen();
}

void ScreenFlow::BuildLevelCatalogue()
{
    App().Catalogue.Build();
    ShowLevelMenu();
}

void ScreenFlow::ShowLevelMenu()
{
    // Until the level menu screen exists, a plain stand-in keeps the flow whole.
    auto* menu = new LevelMenuPlaceholder;
    menu->ShowScreen();
}

void ScreenFlow::ShowWaitScreen()
{
    QPointer<BASEFRM>& screen = WaitScreen();
    if (!screen)
        screen = new BASEFRM;
    screen->ShowScreen();
    screen->raise();
    QCoreApplication::processEvents();
}

void ScreenFlow::CloseWaitScreen()
{
    if (QPointer<BASEFRM>& screen = WaitScreen())
        screen->close();
}

void ScreenFlow::Fatal(const QString& message)
{
    if (FatalHook) {
        FatalHook(message);
        return;
    }
    QMessageBox::critical(nullptr, QStringLiteral("ゾメ２"), message);
    // Closing the last screen must not end the program with status 0.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(1);
    else // Before exec(): end as soon as the event loop starts.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
}

namespace {
MainFrm* RunningDrill()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* drill = qobject_cast<MainFrm*>(w); drill && !drill->testAttribute(Qt::WA_WState_Hidden))
            return drill;
    return nullptr;
}
} // namespace

void ScreenFlow::StartDrill()
{
    AppState& s = App();
    s.SolvedCount = 0;
    s.ConfirmState = 0;
    s.Judging = false;
    s.AttemptFinished = false;
    s.EndingStarted = false;
    s.TimedOut = false;
    QCoreApplication::processEvents();
    MainFrm* drill = RunningDrill();
    if (!drill)
        drill = new MainFrm;
    drill->ShowScreen();
    drill->activateWindow();
}

void ScreenFlow::EndAttempt()
{
    QCoreApplication::processEvents();
    AppState& s = App();
    // A time-out tick that arrives while the last answer is processed must not end the attempt twice.
    if (s.EndingStarted)
        return;
    s.EndingStarted = true;
    QPointer<MainFrm> drill = RunningDrill();
    if (drill)
        drill->ShowEndOverlay(s.TimedOut);
    QCoreApplication::processEvents();

    const int level = s.CurrentLevel;
    if (s.Catalogue.IsPractice(level)) {
        ShowWaitScreen();
        if (drill)
            drill->close();
        ShowLevelMenu();
        QCoreApplication::processEvents();
        return;
    }
    if (level < 0 || level >= 36 || s.Catalogue.LevelInUse[level] != 1)
        return;
    if (drill)
        drill->StopClock();
    s.RecordedSeconds = s.TimedOut ? 99999 : s.ElapsedSeconds;
    try {
        ResultEvaluation::RecordAttempt(level);
    } catch (const FatalError& e) {
        Fatal(e.Message);
        return;
    }
    ShowWaitScreen();
    QCoreApplication::processEvents();
    WaitSeconds(1);
}

void ScreenFlow::WaitSeconds(double seconds)
{
    // A timer-driven wait: the screen stays responsive, and the drill ignores what arrives meanwhile.
    App().Wait(int(seconds * 1000));
    if (MainFrm* drill = RunningDrill())
        drill->close();
    auto* end = new FrmSyuuryou;
    end->ShowScreen();
}
