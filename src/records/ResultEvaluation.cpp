#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "shell/AppState.h"
#include "shell/Clock.h"
#include "shell/FatalError.h"
#include "shell/OleDate.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int Levels = LevelPupilTable<qint32>::Levels;
constexpr int Pupils = LevelPupilTable<qint32>::Pupils;
constexpr qint32 CountedBelow = 6000;

// Where the rebuild was when something failed; shown in its diagnostic message.
enum Progress { ProgressClearing = 0, ProgressLoading = 1, ProgressLoaded = 6, ProgressCounting = 7 };

bool ValidCell(int level, int pupil) { return level >= 0 && level < Levels && pupil >= 0 && pupil < Pupils; }

// Points before the level's rate.
qint32 RawPoints(qint32 target, qint32 s)
{
    if (s > 99997)
        return 0;
    const qint64 t64 = target;
    if (s > target)
        return s < 2 * t64 ? 4 : (s < 10 * t64 ? 1 : 0);
    // Only the first three characters of the time's decimal text count: 1234 s scores as 123 s.
    qint64 t = s;
    if (s >= 0) {
        while (t >= 1000)
            t /= 10;
    } else {
        qint64 digits = -qint64(s);
        while (digits >= 100)
            digits /= 10;
        t = -digits;
    }
    // s ≤ T here, so T = 0 only when s is 0 (or negative, from a damaged record). An attempt of 0 s
    // on a level without a target earns nothing rather than dividing by zero.
    if (target == 0)
        return 0;
    const double ratio = double(t64 - t) / double(t64);
    const double points = std::floor(ratio * ratio * ratio * 50.0 + 5.0);
    return qint32(std::clamp(points, -1e9, 1e9));
}

// The rate is a single-precision number, and so is the product, so that a rate typed as 0.7 turns
// 10 points into 7 rather than 6. One attempt is worth at most MaxPoints either way, so that the
// 20000 attempts of a window still add up within 32 bits whatever a damaged record or rate holds.
constexpr double MaxPoints = 100000;
qint32 RatedPoints(qint32 raw, float rate)
{
    const float product = float(raw) * rate;
    if (std::isnan(product))
        return 0;
    return qint32(std::clamp(double(std::floor(product)), -MaxPoints, MaxPoints));
}

} // namespace

qint32 ResultEvaluation::AttemptPoints(int level, qint32 seconds)
{
    if (level < 0 || level >= Levels)
        return 0;
    const PassCriteria& c = App().Criteria[level];
    return RatedPoints(RawPoints(c.TargetTime, seconds), c.PointRate);
}

void ResultEvaluation::ComputeResultTables()
{
    AppState& app = App();
    ResultTables& r = app.Results;
    int progress = ProgressClearing;
    qint32 slot = 0;
    try {
        progress = ProgressLoading;
        ScoreFile::LoadScoreRecords();
        progress = ProgressLoaded;

        const QDateTime nowDateTime = app.TheClock->Now();
        const double now = OleDate::FromDateTime(nowDateTime);
        const double today = OleDate::FromDate(nowDateTime.date());
        // Per level, once: the day windows as date thresholds, the target and the rate.
        std::array<double, Levels> judgeAfter{};
        std::array<double, Levels> banAfter{};
        std::array<qint32, Levels> target{};
        std::array<float, Levels> rate{};
        for (int l = 1; l < Levels; ++l) {
            const PassCriteria& c = app.Criteria[l];
            judgeAfter[l] = now - c.JudgeDays.Number();
            banAfter[l] = now - c.BanDays.Number();
            target[l] = c.TargetTime;
            rate[l] = c.PointRate;
        }

        progress = ProgressCounting;
        const LoadedScores& s = app.Scores;
        qint16* attemptCount = r.AttemptCount.Row(0);
        qint32* totalPoints = r.TotalPoints.Row(0);
        qint16* judgeCount = r.JudgeCount.Row(0);
        qint32* judgePoints = r.JudgePoints.Row(0);
        qint16* banWindowCount = r.BanWindowCount.Row(0);
        qint32* banWindowPoints = r.BanWindowPoints.Row(0);
        float* todayCount = r.TodayCount.Row(0);
        qint32* todayPoints = r.TodayPoints.Row(0);
        r.BeginRebuild();
        for (slot = 1; slot <= s.LoadedCount; ++slot) {
            const int l = s.LoadedLevel[slot];
            const int p = s.LoadedPupil[slot];
            if (l < 1 || l >= Levels || p < 0 || p >= Pupils)
                continue;
            const qint32 sec = s.LoadedSeconds[slot];
            const double d = s.LoadedDate[slot];
            const qint32 cell = l * Pupils + p;
            r.Touch(cell);
            const bool counted = sec < CountedBelow;
            const qint32 pts = RatedPoints(RawPoints(target[l], sec), rate[l]);
            attemptCount[cell] += counted;
            if (d > judgeAfter[l]) {
                judgeCount[cell] += counted;
                judgePoints[cell] += pts;
            }
            if (d > banAfter[l]) {
                banWindowCount[cell] += counted;
                banWindowPoints[cell] += pts;
            }
            totalPoints[cell] += pts;
            if (d == today) {
                todayCount[cell] += counted;
                todayPoints[cell] += pts;
            }
        }
        r.EndRebuild();
    } catch (const FatalError&) {
        throw;
    } catch (const std::exception& e) {
        const LoadedScores& s = app.Scores;
        const qint32 k = std::clamp<qint32>(slot, 0, LoadedScores::Window);
        throw FatalError(QStringLiteral("回数求%1%2/date%3/i=%4/time=%5/name=/Bangou=%6/level=%7/time=%8errline%1")
                             .arg(progress)
                             .arg(QString::fromLocal8Bit(e.what()))
                             .arg(OleDate::ToDate(s.LoadedDate[k]).toString(QStringLiteral("yyyy/MM/dd")))
                             .arg(slot)
                             .arg(OleDate::ToTime(s.LoadedTimeOfDay[k]).toString(QStringLiteral("HH:mm:ss")))
                             .arg(s.LoadedPupil[k])
                             .arg(s.LoadedLevel[k])
                             .arg(s.LoadedSeconds[k]));
    }
}

void ResultEvaluation::RecordAttempt(int level)
{
    AppState& app = App();
    const int p = app.CurrentPupil;
    const qint32 s = app.RecordedSeconds;
    if (!ValidCell(level, p))
        throw FatalError(QStringLiteral("Seisekikiroku 記録できない番号です（レベル %1、番号 %2）").arg(level).arg(p));

    const PassCriteria& c = app.Criteria[level];
    app.AlreadyPassed = app.Results.AttemptCount(level, p) >= c.ClearCount
        && app.Results.TotalPoints(level, p) >= c.ClearPoints;

    qint32& best = app.Scores.BestSeconds(level, p);
    if (best > s) {
        app.NewPersonalBest = true;
        app.Scores.NoteBest(level, p);
        best = s;
    }

    ScoreFile::AppendScoreRecord();

    if (app.Scores.SchoolBestSeconds[level] > s) {
        app.Scores.SchoolBestSeconds[level] = s;
        app.NewSchoolBest = true;
    }
}

QString ResultEvaluation::GradeMark(int n)
{
    static const char16_t* const Marks[] = {u"①", u"②", u"③", u"④", u"⑤", u"⑥", u"Ⅰ", u"Ⅱ", u"Ⅲ"};
    if (n >= 1 && n <= 9)
        return QString::fromUtf16(Marks[n - 1]);
    return QStringLiteral("　");
}

bool ResultEvaluation::Passed(int level, int pupil)
{
    if (!ValidCell(level, pupil))
        return false;
    const AppState& app = App();
    const PassCriteria& c = app.Criteria[level];
    return app.Results.JudgePoints(level, pupil) >= c.ClearPoints && app.Results.JudgeCount(level, pupil) >= c.ClearCount;
}

bool ResultEvaluation::Overdoing(int level, int pupil)
{
    if (!ValidCell(level, pupil))
        return false;
    const AppState& app = App();
    const PassCriteria& c = app.Criteria[level];
    const double banCount = c.BanCount.Number();
    const double banPoints = c.BanPoints.Number();
    return (banCount != 0 && app.Results.BanWindowCount(level, pupil) >= banCount)
        || (banPoints != 0 && app.Results.BanWindowPoints(level, pupil) >= banPoints);
}
