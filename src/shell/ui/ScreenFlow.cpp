#include "shell/ui/ScreenFlow.h"
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

// The drill arrives next; until then these do nothing.
void ScreenFlow::StartDrill() {}
void ScreenFlow::EndAttempt() {}
void ScreenFlow::WaitSeconds(double) {}
