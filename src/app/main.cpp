#include "app/DataRootCheckCommand.h"
#include "app/DataRootCommand.h"
#include "app/ExportCommand.h"
#include "app/NewSchoolCommand.h"
#include "app/ScreenFlow.h"
#include "app/SoundFailure.h"
#include "base/ui/SystemSheetPrinter.h"
#include "setup/StartupInfo.h"
#include "sound/PulseSoundPlayer.h"
#include "base/SystemClock.h"
#include "base/SystemRandom.h"
#include "state/Environment.h"
#include "state/School.h"
#include "state/Session.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QStandardPaths>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("zome2"));
    QCoreApplication::setApplicationVersion(StartupInfo::VersionNumber());

    // The command line is read before any application object exists: a wrong option, --help and
    // --version need no display, and the export must not create a QApplication.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ゾメ２ — 分数の通分ドリル"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption programFolder(QStringLiteral("program-folder"),
        QStringLiteral("Behave as if the executable were in DIR."), QStringLiteral("DIR"));
    const QCommandLineOption windowed(QStringLiteral("windowed"),
        QStringLiteral("Show the screens in a 1024x768 window instead of full screen."));
    const QCommandLineOption exportResults(QStringLiteral("export-results"),
        QStringLiteral("Write the results to FILE and exit, without showing any screen."), QStringLiteral("FILE"));
    const QCommandLineOption newSchool(QStringLiteral("new-school"),
        QStringLiteral("Create a new school's shared data folder in DIR (with --school-name and --school-code) and exit."),
        QStringLiteral("DIR"));
    const QCommandLineOption schoolName(QStringLiteral("school-name"),
        QStringLiteral("The school's name, for --new-school."), QStringLiteral("NAME"));
    const QCommandLineOption schoolCode(QStringLiteral("school-code"),
        QStringLiteral("The school's code of five digits, for --new-school."), QStringLiteral("CODE"));
    const QCommandLineOption setDataRoot(QStringLiteral("set-data-root"),
        QStringLiteral("Point this installation at the shared data folder DIR (writes its path file) and exit."),
        QStringLiteral("DIR"));
    const QCommandLineOption group(QStringLiteral("group"),
        QStringLiteral("For --new-school: give the folders to GROUP (setgid) and let its accounts write every file."),
        QStringLiteral("GROUP"));
    const QCommandLineOption checkDataRoot(QStringLiteral("check-data-root"),
        QStringLiteral("Check this PC's shared data folder (mount, locks, write access, files) and exit: "
                       "0 when nothing would lose attempts, 1 when something would."));
    parser.addOptions({programFolder, windowed, exportResults, newSchool, schoolName, schoolCode, group, setDataRoot,
                       checkDataRoot});
    const auto usageError = [](const QString& message) {
        std::fprintf(stderr, "zome2: %s\nzome2 --help で使い方を表示します。\n", message.toUtf8().constData());
        return 2;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("zome2 %s\n", qPrintable(StartupInfo::VersionNumber()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("余分な引数があります: ") + parser.positionalArguments().first());
    const int commands = int(parser.isSet(exportResults)) + int(parser.isSet(newSchool)) + int(parser.isSet(setDataRoot))
        + int(parser.isSet(checkDataRoot));
    if (commands > 1)
        return usageError(QStringLiteral("--export-results、--new-school、--set-data-root、--check-data-root は一度に一つだけ指定できます"));
    if (parser.isSet(newSchool) && !(parser.isSet(schoolName) && parser.isSet(schoolCode)))
        return usageError(QStringLiteral("--new-school には --school-name と --school-code も指定してください"));
    if (!parser.isSet(newSchool) && (parser.isSet(schoolName) || parser.isSet(schoolCode) || parser.isSet(group)))
        return usageError(QStringLiteral("--school-name、--school-code、--group は --new-school と一緒に指定します"));

    if (parser.isSet(newSchool)) {
        QCoreApplication app(argc, argv);
        return NewSchoolCommand::Run(parser.value(programFolder), parser.value(newSchool), parser.value(schoolName),
                                     parser.value(schoolCode), parser.value(group));
    }
    if (parser.isSet(checkDataRoot)) {
        QCoreApplication app(argc, argv);
        return DataRootCheckCommand::Run(parser.value(programFolder));
    }
    if (parser.isSet(setDataRoot)) {
        QCoreApplication app(argc, argv);
        return DataRootCommand::Run(parser.value(programFolder), parser.value(setDataRoot));
    }

    // What changes with time and chance, for the screens and the export alike.
    SystemClock clock;
    SystemRandom random;
    Environment env;
    env.TheClock = &clock;
    env.Random = &random;

    if (parser.isSet(exportResults)) {
        QCoreApplication app(argc, argv);
        return ExportCommand::Run(env, parser.value(programFolder), parser.value(exportResults));
    }

    QApplication app(argc, argv);
    env.Windowed = parser.isSet(windowed);
    // The screens wait for another PC's lock with a responsive wait; the sounds go to the
    // session's sound server.
    School school;
    Session session;
    school.ProgramFolderOverride = parser.value(programFolder);
    // Attempts that end while the share is away wait in this account's own folder on this PC.
    school.QueueFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    PulseSoundPlayer player;
    env.Player = &player;
    // Result sheets go to the default printer, or become PDF files in the documents folder.
    SystemSheetPrinter printer;
    env.Printer = &printer;
    ScreenFlow flow(school, session, env);
    QObject::connect(&flow, &ScreenFlow::Stopped, &ScreenFlow::ShowMessageAndExit);
    SoundFailure::Install(flow.Cues());
    flow.Start();
    return app.exec();
}
