#include "app/ExportCommand.h"
#include "app/ScreenFlow.h"
#include "app/SoundFailure.h"
#include "base/ui/ScaledForm.h"
#include "setup/StartupInfo.h"
#include "sound/PulseSoundPlayer.h"
#include "state/AppState.h"
#include <QApplication>
#include <QCommandLineParser>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    // The export runs without a display, so it must not create a QApplication.
    bool exporting = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--export-results") == 0 || std::strncmp(argv[i], "--export-results=", 17) == 0)
            exporting = true;

    std::unique_ptr<QCoreApplication> app;
    if (exporting)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zome2"));
    QCoreApplication::setApplicationVersion(StartupInfo::VersionNumber());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ゾメ２ — 分数の通分ドリル"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption programFolder(QStringLiteral("program-folder"),
        QStringLiteral("Behave as if the executable were in DIR."), QStringLiteral("DIR"));
    const QCommandLineOption windowed(QStringLiteral("windowed"),
        QStringLiteral("Show the screens in a 1024x768 window instead of full screen."));
    const QCommandLineOption exportResults(QStringLiteral("export-results"),
        QStringLiteral("Write the results to FILE and exit, without showing any screen."), QStringLiteral("FILE"));
    parser.addOptions({programFolder, windowed, exportResults});
    parser.process(*app);
    if (!parser.positionalArguments().isEmpty()) {
        fprintf(stderr, "zome2: unexpected argument: %s\n", qPrintable(parser.positionalArguments().first()));
        return 2;
    }

    if (exporting)
        return ExportCommand::Run(parser.value(programFolder), parser.value(exportResults));

    ScaledForm::Windowed = parser.isSet(windowed);
    // App().TheClock, App().Random and App().Wait start with the system clock, the system random
    // generator and a responsive wait; the sounds go to the session's sound server.
    App().ProgramFolderOverride = parser.value(programFolder);
    PulseSoundPlayer player;
    App().Player = &player;
    ScreenFlow flow;
    QObject::connect(&flow, &ScreenFlow::Stopped, &ScreenFlow::ShowMessageAndExit);
    SoundFailure::Install(flow.Cues());
    flow.Start();
    return app->exec();
}
