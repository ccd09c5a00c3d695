#include "state/StateViews.h"
#include "base/Clock.h"
#include "records/ResultEvaluation.h"
#include "state/Environment.h"
#include "state/School.h"
#include "state/Session.h"
#include "records/ScoreRecordCodec.h"

ScoreFile StateViews::Scores(const School& school, const Environment& env)
{
    ScoreFile file(school.DataFolder, env.Wait);
    file.NoticeWaiting(env.WaitNotice).GiveUpAfter(env.LockGiveUpSeconds);
    if (env.TheClock)
        file.DateBackupsBy(*env.TheClock);
    return file;
}

DrillModel::Setting StateViews::DrillSetting(const School& school, const Session& session)
{
    DrillModel::Setting d;
    d.Level = session.CurrentLevel;
    d.Pupil = session.CurrentPupil;
    d.PupilName = session.CurrentPupilName;
    d.ProgramTitle = school.ProgramTitle;
    d.SchoolName = school.SchoolName;
    d.LoginTime = session.LoginTime;
    d.Catalogue = &school.Catalogue;
    d.Criteria = &school.Criteria;
    d.Results = &school.Results;
    return d;
}

ResultLists::Inputs StateViews::ListInputs(const School& school, const Session& session, const Environment& env,
                                           const RosterTables& roster, const QString& gradeFilter)
{
    ResultLists::Inputs in;
    in.Roster = &roster;
    in.Scores = &school.Scores;
    in.Results = &school.Results;
    in.Criteria = &school.Criteria;
    in.Catalogue = &school.Catalogue;
    in.LevelCount = school.Catalogue.LevelCount;
    in.AllLevelsOpen = school.AllLevelsOpen == 1;
    in.CurrentPupil = session.CurrentPupil;
    in.GradeFilterText = gradeFilter;
    in.Now = env.TheClock->Now();
    return in;
}

LevelMenuPresenter::Inputs StateViews::MenuInputs(School& school, Session& session, const Environment& env)
{
    LevelMenuPresenter::Inputs in;
    in.Catalogue = &school.Catalogue;
    in.Criteria = &school.Criteria;
    in.Results = &school.Results;
    in.Scores = &school.Scores;
    in.Roster = &school.Roster;
    in.TheClock = env.TheClock;
    in.Printer = env.Printer;
    in.AllLevelsOpen = school.AllLevelsOpen == 1;
    in.ProgramTitle = school.ProgramTitle;
    in.SchoolName = school.SchoolName;
    in.DataRoot = school.DataRoot;
    in.RosterOption = school.RosterOption;
    in.SchoolYearStartMonth = school.SchoolYearStartMonth;
    in.Pupil = session.CurrentPupil;
    in.PupilName = session.CurrentPupilName;
    in.GradeLabel = session.CurrentGradeLabel;
    in.LoginTime = session.LoginTime;
    in.GradeFilterText = session.GradeFilterText;
    in.ReloadResults = [&school, &session, &env] { ComputeResultTables(school, session, env); };
    in.LastRecords = [&school, &session, &env](qint64 count) { return LastRecords(school, session, env, count); };
    in.TodayTotalCounted = [&session](qint16 total) { session.TodayTotal = total; };
    in.FinalLevelClearedFound = [&session](bool cleared) { session.FinalLevelCleared = cleared ? 1 : 0; };
    return in;
}

AttemptOutcome::Facts StateViews::OutcomeFacts(const School& school, const Session& session)
{
    AttemptOutcome::Facts f;
    f.Level = session.CurrentLevel;
    f.Pupil = session.CurrentPupil;
    f.PupilName = session.CurrentPupilName;
    f.ProgramTitle = school.ProgramTitle;
    f.RecordedSeconds = session.RecordedSeconds;
    f.TimedOut = session.TimedOut;
    f.AlreadyPassed = session.AlreadyPassed;
    f.NewPersonalBest = session.NewPersonalBest;
    f.NewSchoolBest = session.NewSchoolBest;
    f.FinalLevelCleared = session.FinalLevelCleared;
    f.Catalogue = &school.Catalogue;
    f.Criteria = &school.Criteria;
    f.Results = &school.Results;
    return f;
}

std::optional<PendingAttempts> StateViews::Queue(const School& school)
{
    if (school.QueueFolder.isEmpty())
        return std::nullopt;
    return PendingAttempts(school.QueueFolder, school.DataFolder);
}

std::vector<ScoreRecord> StateViews::PendingRecords(School& school, const Environment& env)
{
    const std::optional<PendingAttempts> queue = Queue(school);
    if (!queue)
        return {};
    QString problem;
    std::vector<ScoreRecord> records =
        queue->Load(&problem, env.TheClock ? env.TheClock->Now() : QDateTime::currentDateTime());
    if (!problem.isEmpty())
        school.QueueProblem += (school.QueueProblem.isEmpty() ? QString() : QStringLiteral("\n\n")) + problem;
    return records;
}

namespace {
// While this PC's attempts could not be written, the share is taken to be away: the screens go on
// with what was read last.
bool ShareAway(const Session& session, const std::vector<ScoreRecord>& pending)
{
    return !pending.empty() || !session.RecordingNote.isEmpty();
}
} // namespace

std::vector<ScoreRecord> StateViews::LastRecords(School& school, const Session& session, const Environment& env,
                                                 qint64 count)
{
    const std::vector<ScoreRecord> pending = PendingRecords(school, env);
    const bool away = ShareAway(session, pending);
    ScoreFile file = Scores(school, env);
    if (away)
        file.TryOnce();
    std::vector<ScoreRecord> records;
    try {
        records = file.ReadLastRecords(count);
    } catch (const ScoreFile::Unreachable&) {
        if (!away)
            throw;
        const std::vector<char>& window = school.Scores.ReadBuffer;
        for (qint64 i = 0; i < school.Scores.WindowRecords; ++i)
            records.push_back(ScoreRecordCodec::Decode(window.data() + i * ScoreRecordCodec::Size));
    }
    records.insert(records.end(), pending.begin(), pending.end());
    if (qint64(records.size()) > count)
        records.erase(records.begin(), records.end() - count);
    return records;
}

void StateViews::ComputeResultTables(School& school, const Session& session, const Environment& env)
{
    const std::vector<ScoreRecord> pending = PendingRecords(school, env);
    const bool shareAway = ShareAway(session, pending);
    ResultEvaluation::ComputeResultTables(Scores(school, env), school.Criteria, env.TheClock->Now(), school.Scores,
                                          school.Results, pending, shareAway);
}
