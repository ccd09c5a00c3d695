#include "app/ExportCommand.h"
#include "app/ScreenFlow.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "records/ResultExport.h"
#include "roster/RosterFile.h"
#include "state/AppState.h"
#include "state/StateViews.h"
#include <cstdio>

namespace {
void PrintError(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}
} // namespace

int ExportCommand::Run(const QString& programFolderOverride, const QString& file, int giveUpSeconds)
{
    AppState& s = App();
    s.ProgramFolderOverride = programFolderOverride;
    s.LockGiveUpSeconds = giveUpSeconds;
    s.WaitNotice = [](int seconds) {
        if (seconds == 3)
            PrintError(QStringLiteral("ほかのパソコンが成績ファイルを使っています。空くのを待っています。"));
    };
    try {
        ScreenFlow::LoadConfiguration();
        const int schoolYear = RosterFile::SchoolYear(s.TheClock->Today(), s.SchoolYearStartMonth);
        if (!RosterFile::LoadRoster(s.DataRoot, s.RosterOption, schoolYear, s.Roster))
            PrintError(QStringLiteral("名簿ファイル") + s.Roster.ReadProblem + QStringLiteral("（名前は空欄で出力します）: ")
                       + RosterFile::Path(s.DataRoot));
        StateViews::ComputeResultTables(s);
    } catch (const FatalError& e) {
        PrintError(e.Message);
        return 1;
    }
    const QByteArray bytes = ResultExport::Build(s.Scores, s.Results, s.Criteria, s.Roster.PupilName,
                                                 s.Roster.PupilGradeLabel);
    const QString error = ResultExport::Save(file, bytes);
    if (!error.isEmpty()) {
        PrintError(error);
        return 1;
    }
    return 0;
}
