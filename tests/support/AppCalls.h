#pragma once
// The program's routines called on the test's school, session and environment, as the screens and
// the screen flow call them, so that a test can set them up and run one routine on them.
#include "base/Clock.h"
#include "records/PassCriteriaFile.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include "roster/RosterFile.h"
#include "setup/Configuration.h"
#include "support/TestScopes.h"
#include "state/StateViews.h"
#include <QFile>
#include <QList>

namespace AppCalls {
inline ScoreFile File() { return StateViews::Scores(TestSchool(), TestEnv()); }

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

inline void LoadScoreRecords() { File().LoadScoreRecords(TestSchool().Scores); }

inline void ComputeResultTables() { StateViews::ComputeResultTables(TestSchool(), TestSession(), TestEnv()); }

// The record of the current pupil's attempt on the current level, ending now.
inline ScoreRecord CurrentAttempt()
{
    return ScoreFile::AttemptRecord(TestEnv().TheClock->Now(), TestSession().CurrentPupil, TestSession().CurrentLevel, TestSession().RecordedSeconds, TestSchool().SchoolCode);
}

inline void AppendScoreRecord() { File().AppendScoreRecord(CurrentAttempt()); }

// Records the current attempt on `level` and keeps what the recording found out, as the end of an
// attempt does.
inline void RecordAttempt(int level)
{
    ScoreRecord record = CurrentAttempt();
    record.Level = qint16(level);
    const ResultEvaluation::Recorded r = ResultEvaluation::RecordAttempt(File(), record, TestSchool().Criteria, TestSchool().Results, TestSchool().Scores);
    TestSession().AlreadyPassed = r.AlreadyPassed;
    TestSession().NewPersonalBest = TestSession().NewPersonalBest || r.NewPersonalBest;
    TestSession().NewSchoolBest = TestSession().NewSchoolBest || r.NewSchoolBest;
}

inline bool Passed(int level, int pupil) { return ResultEvaluation::Passed(TestSchool().Criteria, TestSchool().Results, level, pupil); }
inline bool Overdoing(int level, int pupil)
{
    return ResultEvaluation::Overdoing(TestSchool().Criteria, TestSchool().Results, level, pupil);
}

inline AttemptOutcome Evaluate() { return AttemptOutcome::Evaluate(StateViews::OutcomeFacts(TestSchool(), TestSession())); }
inline AttemptOutcome::AfterPause DecideAfterPause()
{
    return AttemptOutcome::DecideAfterPause(StateViews::OutcomeFacts(TestSchool(), TestSession()));
}

// The criteria with a row for each of the `requiredLevels` first levels (the menu offers three).
inline void LoadPassCriteria(int requiredLevels = 3)
{
    PassCriteriaFile::LoadPassCriteria(TestSchool().DataFolder, TestSchool().Criteria, requiredLevels);
}

inline int SchoolYear() { return RosterFile::SchoolYear(TestEnv().TheClock->Today(), TestSchool().SchoolYearStartMonth); }

inline bool LoadRoster()
{
    return RosterFile::LoadRoster(TestSchool().DataRoot, TestSchool().RosterOption, SchoolYear(), TestSchool().Roster);
}

// The folders and settings of the configuration files, as start-up reads them.
inline void LoadPathsAndConfiguration()
{
    static_cast<Installation&>(TestSchool()) = Configuration::LoadPathsAndConfiguration(
        Configuration::ProgramFolderPath(TestSchool().ProgramFolderOverride), TestSchool().DevelopmentLayout);
}
} // namespace AppCalls
