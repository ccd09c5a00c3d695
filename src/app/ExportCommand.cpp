#include "app/ExportCommand.h"
#include "app/ScreenFlow.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "records/ResultExport.h"
#include "roster/RosterFile.h"
#include "state/Environment.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/StateViews.h"
#include <cstdio>

namespace {
void PrintError(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}
} // namespace

int ExportCommand::Run(Environment& env, const QString& programFolderOverride, const QString& file, int giveUpSeconds)
{
    School TheSchool;
    const Session TheSession;
    Environment& Env = env;
    TheSchool.ProgramFolderOverride = programFolderOverride;
    Env.LockGiveUpSeconds = giveUpSeconds;
    Env.WaitNotice = [](int seconds) {
        if (seconds == 3)
            PrintError(QStringLiteral("ほかのパソコンが成績ファイルを使っています。空くのを待っています。"));
    };
    try {
        ScreenFlow::LoadConfiguration(TheSchool);
        const int schoolYear = RosterFile::SchoolYear(Env.TheClock->Today(), TheSchool.SchoolYearStartMonth);
        if (!RosterFile::LoadRoster(TheSchool.DataRoot, TheSchool.RosterOption, schoolYear, TheSchool.Roster))
            PrintError(QStringLiteral("名簿ファイル") + TheSchool.Roster.ReadProblem + QStringLiteral("（名前は空欄で出力します）: ")
                       + RosterFile::Path(TheSchool.DataRoot));
        StateViews::ComputeResultTables(TheSchool, TheSession, Env);
    } catch (const FatalError& e) {
        PrintError(e.Message);
        return 1;
    }
    const QByteArray bytes = ResultExport::Build(TheSchool.Scores, TheSchool.Results, TheSchool.Criteria, TheSchool.Roster.PupilName,
                                                 TheSchool.Roster.PupilGradeLabel);
    const QString error = ResultExport::Save(file, bytes);
    if (!error.isEmpty()) {
        PrintError(error);
        return 1;
    }
    return 0;
}
