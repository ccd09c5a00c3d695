#pragma once
#include "records/PassCriteria.h"
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <vector>

class PendingAttempts;
class ScoreFile;
struct LoadedScores;
struct ResultTables;

// Turns the score file into the result tables and records finished attempts.
class ResultEvaluation {
public:
    // What recording an attempt found out before appending it.
    struct Recorded {
        bool AlreadyPassed = false;   // the pupil had passed the level before this attempt
        bool NewPersonalBest = false;
        bool NewSchoolBest = false;
        // Where the attempt went: the score file, this PC's queue while the share is away, or
        // nowhere at all; `Problem` says why it is not in the score file.
        enum class Place { ScoreFile, ThisPc, Nowhere };
        Place StoredIn = Place::ScoreFile;
        QString Problem;
    };

    // Reloads `scores` from `file`, followed by `pending` (this PC's attempts not yet in it), and
    // rebuilds `results` for `criteria` as of `now`. Throws FatalError on a damaged file. With
    // `shareAway`, see ScoreFile::LoadScoreRecords.
    static void ComputeResultTables(const ScoreFile& file, const CriteriaTable& criteria, const QDateTime& now,
                                    LoadedScores& scores, ResultTables& results,
                                    const std::vector<ScoreRecord>& pending = {}, bool shareAway = false);
    // Decides AlreadyPassed and the bests from the tables as the last rebuild left them, lowers the
    // best times in `scores` and appends `attempt`. Throws FatalError when it cannot be recorded.
    // With a `queue`, the attempts waiting in it are appended first, under the same lock; when the
    // score file cannot be reached or written the attempt joins the queue instead (or, when that
    // fails too, is lost), as StoredIn says, and nothing is thrown for it.
    static Recorded RecordAttempt(const ScoreFile& file, const ScoreRecord& attempt, const CriteriaTable& criteria,
                                  const ResultTables& results, LoadedScores& scores,
                                  const PendingAttempts* queue = nullptr);
    // "①"…"⑥", "Ⅰ"…"Ⅲ", else one ideographic space.
    static QString GradeMark(int n);
    // JudgePoints ≥ ClearPoints and JudgeCount ≥ ClearCount.
    static bool Passed(const CriteriaTable& criteria, const ResultTables& results, int level, int pupil);
    // Over the level's BanCount or BanPoints inside its BanDays window ("やりすぎ禁止").
    static bool Overdoing(const CriteriaTable& criteria, const ResultTables& results, int level, int pupil);
};
