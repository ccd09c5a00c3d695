#include "state/StateViews.h"
#include "base/Clock.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreRecordCodec.h"
#include "state/AppState.h"

ScoreFile StateViews::Scores(const AppState& s)
{
    ScoreFile file(s.DataFolder, s.Wait);
    file.NoticeWaiting(s.WaitNotice).GiveUpAfter(s.LockGiveUpSeconds);
    if (s.TheClock)
        file.DateBackupsBy(*s.TheClock);
    return file;
}

DrillModel::Setting StateViews::DrillSetting(const AppState& s)
{
    DrillModel::Setting d;
    d.Level = s.CurrentLevel;
    d.Pupil = s.CurrentPupil;
    d.PupilName = s.CurrentPupilName;
    d.ProgramTitle = s.ProgramTitle;
    d.SchoolName = s.SchoolName;
    d.LoginTime = s.LoginTime;
    d.Catalogue = &s.Catalogue;
    d.Criteria = &s.Criteria;
    d.Results = &s.Results;
    return d;
}

ResultLists::Inputs StateViews::ListInputs(const AppState& s, const RosterTables& roster, const QString& gradeFilter)
{
    ResultLists::Inputs in;
    in.Roster = &roster;
    in.Scores = &s.Scores;
    in.Results = &s.Results;
    in.Criteria = &s.Criteria;
    in.Catalogue = &s.Catalogue;
    in.LevelCount = s.Catalogue.LevelCount;
    in.AllLevelsOpen = s.AllLevelsOpen == 1;
    in.CurrentPupil = s.CurrentPupil;
    in.GradeFilterText = gradeFilter;
    in.Now = s.TheClock->Now();
    return in;
}

AttemptOutcome::Facts StateViews::OutcomeFacts(const AppState& s)
{
    AttemptOutcome::Facts f;
    f.Level = s.CurrentLevel;
    f.Pupil = s.CurrentPupil;
    f.PupilName = s.CurrentPupilName;
    f.ProgramTitle = s.ProgramTitle;
    f.RecordedSeconds = s.RecordedSeconds;
    f.TimedOut = s.TimedOut;
    f.AlreadyPassed = s.AlreadyPassed;
    f.NewPersonalBest = s.NewPersonalBest;
    f.NewSchoolBest = s.NewSchoolBest;
    f.FinalLevelCleared = s.FinalLevelCleared;
    f.Catalogue = &s.Catalogue;
    f.Criteria = &s.Criteria;
    f.Results = &s.Results;
    return f;
}

std::optional<PendingAttempts> StateViews::Queue(const AppState& s)
{
    if (s.QueueFolder.isEmpty())
        return std::nullopt;
    return PendingAttempts(s.QueueFolder, s.DataFolder);
}

std::vector<ScoreRecord> StateViews::PendingRecords(AppState& s)
{
    const std::optional<PendingAttempts> queue = Queue(s);
    if (!queue)
        return {};
    QString problem;
    std::vector<ScoreRecord> records = queue->Load(&problem, s.TheClock ? s.TheClock->Now() : QDateTime::currentDateTime());
    if (!problem.isEmpty())
        s.QueueProblem += (s.QueueProblem.isEmpty() ? QString() : QStringLiteral("\n\n")) + problem;
    return records;
}

namespace {
// While this PC's attempts could not be written, the share is taken to be away: the screens go on
// with what was read last.
bool ShareAway(const AppState& s, const std::vector<ScoreRecord>& pending)
{
    return !pending.empty() || !s.RecordingNote.isEmpty();
}
} // namespace

std::vector<ScoreRecord> StateViews::LastRecords(AppState& s, qint64 count)
{
    const std::vector<ScoreRecord> pending = PendingRecords(s);
    const bool away = ShareAway(s, pending);
    ScoreFile file = Scores(s);
    if (away)
        file.TryOnce();
    std::vector<ScoreRecord> records;
    try {
        records = file.ReadLastRecords(count);
    } catch (const ScoreFile::Unreachable&) {
        if (!away)
            throw;
        const std::vector<char>& window = s.Scores.ReadBuffer;
        for (qint64 i = 0; i < s.Scores.WindowRecords; ++i)
            records.push_back(ScoreRecordCodec::Decode(window.data() + i * ScoreRecordCodec::Size));
    }
    records.insert(records.end(), pending.begin(), pending.end());
    if (qint64(records.size()) > count)
        records.erase(records.begin(), records.end() - count);
    return records;
}

void StateViews::ComputeResultTables(AppState& s)
{
    const std::vector<ScoreRecord> pending = PendingRecords(s);
    const bool shareAway = ShareAway(s, pending);
    ResultEvaluation::ComputeResultTables(Scores(s), s.Criteria, s.TheClock->Now(), s.Scores, s.Results, pending,
                                          shareAway);
}
