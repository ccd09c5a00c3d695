#pragma once
// The program's routines called on the shared state, as the screens and the screen flow call them,
// so that a test can set up App() and run one routine on it.
#include "base/Clock.h"
#include "records/PassCriteriaFile.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include "roster/RosterFile.h"
#include "setup/Configuration.h"
#include "state/AppState.h"
#include "state/StateViews.h"
#include <QFile>
#include <QList>

namespace AppCalls {
inline ScoreFile File() { return StateViews::Scores(App()); }

// Puts `bytes` in place of the score file: a test's starting point, not the program's way of writing.
inline void WriteScoreBytes(const QByteArray& bytes)
{
    QFile f(File().Path());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        qFatal("cannot write the score file %s", qPrintable(f.fileName()));
}

inline void WriteScoreRecords(const QList<ScoreRecord>& records)
{
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += ScoreRecordCodec::Encode(r);
    WriteScoreBytes(bytes);
}

inline void LoadScoreRecords() { File().LoadScoreRecords(App().Scores); }

inline void ComputeResultTables() { StateViews::ComputeResultTables(App()); }

// The record of the current pupil's attempt on the current level, ending now.
inline ScoreRecord CurrentAttempt()
{
    const AppState& s = App();
    return ScoreFile::AttemptRecord(s.TheClock->Now(), s.CurrentPupil, s.CurrentLevel, s.RecordedSeconds, s.SchoolCode);
}

inline void AppendScoreRecord() { File().AppendScoreRecord(CurrentAttempt()); }

// Records the current attempt on `level` and keeps what the recording found out, as the end of an
// attempt does.
inline void RecordAttempt(int level)
{
    AppState& s = App();
    ScoreRecord record = CurrentAttempt();
    record.Level = qint16(level);
    const ResultEvaluation::Recorded r = ResultEvaluation::RecordAttempt(File(), record, s.Criteria, s.Results, s.Scores);
    s.AlreadyPassed = r.AlreadyPassed;
    s.NewPersonalBest = s.NewPersonalBest || r.NewPersonalBest;
    s.NewSchoolBest = s.NewSchoolBest || r.NewSchoolBest;
}

inline bool Passed(int level, int pupil) { return ResultEvaluation::Passed(App().Criteria, App().Results, level, pupil); }
inline bool Overdoing(int level, int pupil)
{
    return ResultEvaluation::Overdoing(App().Criteria, App().Results, level, pupil);
}

inline AttemptOutcome Evaluate() { return AttemptOutcome::Evaluate(StateViews::OutcomeFacts(App())); }
inline AttemptOutcome::AfterPause DecideAfterPause()
{
    return AttemptOutcome::DecideAfterPause(StateViews::OutcomeFacts(App()));
}

// The criteria with a row for each of the `requiredLevels` first levels (the menu offers three).
inline void LoadPassCriteria(int requiredLevels = 3)
{
    PassCriteriaFile::LoadPassCriteria(App().DataFolder, App().Criteria, requiredLevels);
}

inline int SchoolYear() { return RosterFile::SchoolYear(App().TheClock->Today(), App().SchoolYearStartMonth); }

inline bool LoadRoster()
{
    AppState& s = App();
    return RosterFile::LoadRoster(s.DataRoot, s.RosterOption, SchoolYear(), s.Roster);
}

// The folders and settings of the configuration files, as start-up reads them.
inline void LoadPathsAndConfiguration()
{
    AppState& s = App();
    static_cast<Installation&>(s) = Configuration::LoadPathsAndConfiguration(
        Configuration::ProgramFolderPath(s.ProgramFolderOverride), s.DevelopmentLayout);
}
} // namespace AppCalls
