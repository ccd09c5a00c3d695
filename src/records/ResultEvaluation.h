#pragma once
#include "records/PassCriteria.h"
#include <QDateTime>
#include <QString>
#include <QtGlobal>

class ScoreFile;
struct LoadedScores;
struct ResultTables;
struct ScoreRecord;

// Turns the score file into the result tables and records finished attempts.
class ResultEvaluation {
public:
    // What recording an attempt found out before appending it.
    struct Recorded {
        bool AlreadyPassed = false;   // the pupil had passed the level before this attempt
        bool NewPersonalBest = false;
        bool NewSchoolBest = false;
    };

    // Reloads `scores` from `file` and rebuilds `results` for `criteria` as of `now`. Throws
    // FatalError on a damaged file.
    static void ComputeResultTables(const ScoreFile& file, const CriteriaTable& criteria, const QDateTime& now,
                                    LoadedScores& scores, ResultTables& results);
    // Decides AlreadyPassed and the bests from the tables as the last rebuild left them, lowers the
    // best times in `scores` and appends `attempt`. Throws FatalError when it cannot be recorded.
    static Recorded RecordAttempt(const ScoreFile& file, const ScoreRecord& attempt, const CriteriaTable& criteria,
                                  const ResultTables& results, LoadedScores& scores);
    // "①"…"⑥", "Ⅰ"…"Ⅲ", else one ideographic space.
    static QString GradeMark(int n);
    // JudgePoints ≥ ClearPoints and JudgeCount ≥ ClearCount.
    static bool Passed(const CriteriaTable& criteria, const ResultTables& results, int level, int pupil);
    // Over the level's BanCount or BanPoints inside its BanDays window ("やりすぎ禁止").
    static bool Overdoing(const CriteriaTable& criteria, const ResultTables& results, int level, int pupil);
};
