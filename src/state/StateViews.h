#pragma once
#include "attempt_end/AttemptOutcome.h"
#include "drill/DrillModel.h"
#include "menu/ResultLists.h"
#include "records/PendingAttempts.h"
#include "records/ScoreFile.h"
#include <optional>
#include <vector>

struct AppState;

// What the logic takes from the shared state, gathered in one place so that every screen hands the
// same values down.
namespace StateViews {
// The score file of the data folder, waited on with the state's wait, notice and limit.
ScoreFile Scores(const AppState& s);
// The drill's setting for the current pupil and level.
DrillModel::Setting DrillSetting(const AppState& s);
// What the menu's lists and the overviews read: `roster`, the tables, the criteria and levels of
// the state, the current pupil, `gradeFilter` (a grade selector's text) and now.
ResultLists::Inputs ListInputs(const AppState& s, const RosterTables& roster, const QString& gradeFilter);
// The attempt just recorded, for the attempt end screen.
AttemptOutcome::Facts OutcomeFacts(const AppState& s);
// This PC's queue of attempts for the data folder; none when the state names no queue folder.
std::optional<PendingAttempts> Queue(const AppState& s);
// The attempts waiting in the queue. A damaged queue is moved aside and its message added to the
// state's QueueProblem for the flow to show.
std::vector<ScoreRecord> PendingRecords(AppState& s);
// Reloads the score file, followed by this PC's waiting attempts, and rebuilds the result tables
// as of now. Throws FatalError.
void ComputeResultTables(AppState& s);
// The last `count` records of the score file followed by this PC's waiting attempts, for the lists.
// While attempts of this PC could not be written, a file that cannot be reached is stood in for by
// the window of the last load. Throws FatalError.
std::vector<ScoreRecord> LastRecords(AppState& s, qint64 count);
} // namespace StateViews
