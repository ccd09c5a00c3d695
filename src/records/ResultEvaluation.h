#pragma once
#include <QString>
#include <QtGlobal>

// Turns the score file into the result tables of App() and records finished attempts.
class ResultEvaluation {
public:
    // Reloads the score file and rebuilds every result table. Throws FatalError on a damaged file.
    static void ComputeResultTables();
    // Sets AlreadyPassed / NewPersonalBest / NewSchoolBest and appends the attempt.
    static void RecordAttempt(int level);
    // Points of one attempt of `seconds` on `level`, after the level's PointRate.
    static qint32 AttemptPoints(int level, qint32 seconds);
    // "①"…"⑥", "Ⅰ"…"Ⅲ", else one ideographic space.
    static QString GradeMark(int n);
    // JudgePoints ≥ ClearPoints and JudgeCount ≥ ClearCount.
    static bool Passed(int level, int pupil);
    // Over the level's BanCount or BanPoints inside its BanDays window ("やりすぎ禁止").
    static bool Overdoing(int level, int pupil);
};
