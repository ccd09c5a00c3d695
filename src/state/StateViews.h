#pragma once
#include "attempt_end/AttemptOutcome.h"
#include "drill/DrillModel.h"
#include "menu/LevelMenuPresenter.h"
#include "menu/ResultLists.h"
#include "records/PendingAttempts.h"
#include "records/ScoreFile.h"
#include <optional>
#include <vector>

struct Environment;
struct School;
struct Session;

// What the logic takes from the school, the session and the environment, gathered in one place so that every screen hands the
// same values down.
namespace StateViews {
// The score file of the data folder, waited on with the environment's wait, notice and limit.
ScoreFile Scores(const School& school, const Environment& env);
// The drill's setting for the current pupil and level.
DrillModel::Setting DrillSetting(const School& school, const Session& session);
// What the menu's lists and the overviews read: `roster`, the tables, the criteria and levels of
// the school, the session's pupil, `gradeFilter` (a grade selector's text) and now.
ResultLists::Inputs ListInputs(const School& school, const Session& session, const Environment& env,
                               const RosterTables& roster, const QString& gradeFilter);
// What the level menu works from: the school's tables, criteria and roster, the session's pupil and
// sign-in, the clock and printer, and the score file read through Scores and the queue; it tells the
// session the pupil's total today and whether the final level is passed.
LevelMenuPresenter::Inputs MenuInputs(School& school, Session& session, const Environment& env);
// The attempt just recorded, for the attempt end screen.
AttemptOutcome::Facts OutcomeFacts(const School& school, const Session& session);
// This PC's queue of attempts for the data folder; none when the state names no queue folder.
std::optional<PendingAttempts> Queue(const School& school);
// The attempts waiting in the queue. A damaged queue is moved aside and its message added to the
// state's QueueProblem for the flow to show.
std::vector<ScoreRecord> PendingRecords(School& school, const Environment& env);
// Reloads the score file, followed by this PC's waiting attempts, and rebuilds the result tables
// as of now. Throws FatalError.
void ComputeResultTables(School& school, const Session& session, const Environment& env);
// The last `count` records of the score file followed by this PC's waiting attempts, for the lists.
// While attempts of this PC could not be written, a file that cannot be reached is stood in for by
// the window of the last load. Throws FatalError.
std::vector<ScoreRecord> LastRecords(School& school, const Session& session, const Environment& env,
                                     qint64 count);
} // namespace StateViews
