#include "records/ResultEvaluation.h"
#include "base/FatalError.h"
#include "base/Limits.h"
#include "base/OleDate.h"
#include "records/LoadedScores.h"
#include "records/PendingAttempts.h"
#include "records/Points.h"
#include "records/ResultTables.h"
#include "records/ScoreFile.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int Levels = Limits::LevelSlots;

// Where the rebuild was when something failed; shown in its diagnostic message.
enum Progress { ProgressClearing = 0, ProgressLoading = 1, ProgressLoaded = 6, ProgressCounting = 7 };

bool ValidCell(int level, int pupil) { return Limits::IsLevelSlot(level) && Limits::IsPupilSlot(pupil); }

} // namespace

void ResultEvaluation::ComputeResultTables(const ScoreFile& file, const CriteriaTable& criteria,
                                           const QDateTime& nowDateTime, LoadedScores& s, ResultTables& r,
                                           const std::vector<ScoreRecord>& pending, bool shareAway)
{
    int progress = ProgressClearing;
    qint32 slot = 0;
    try {
        progress = ProgressLoading;
        file.LoadScoreRecords(s, pending, shareAway);
        progress = ProgressLoaded;

        const double now = OleDate::FromDateTime(nowDateTime);
        const double today = OleDate::FromDate(nowDateTime.date());
        // Per level, once: the day windows as date thresholds, the target and the rate.
        std::array<double, Levels> judgeAfter{};
        std::array<double, Levels> banAfter{};
        std::array<qint32, Levels> target{};
        std::array<float, Levels> rate{};
        for (int l = 1; l < Levels; ++l) {
            const PassCriteria& c = criteria[l];
            judgeAfter[l] = now - c.JudgeDays.Number();
            banAfter[l] = now - c.BanDays.Number();
            target[l] = c.TargetTime;
            rate[l] = c.PointRate;
        }

        progress = ProgressCounting;
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
            if (!Limits::IsLevel(l) || !Limits::IsPupilSlot(p))
                continue;
            const qint32 sec = s.LoadedSeconds[slot];
            const double d = s.LoadedDate[slot];
            const qint32 cell = l * Limits::PupilSlots + p;
            r.Touch(cell);
            const bool counted = sec < Limits::CountedBelow;
            const qint32 pts = Points::RatedPoints(Points::RawPoints(target[l], sec, Points::Reading::FirstThreeDigits),
                                                   rate[l]);
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
        const qint32 k = std::clamp<qint32>(slot, 0, LoadedScores::Window);
        const QString progressText = QString::number(progress);
        throw FatalError(QStringLiteral("回数求") + progressText + QString::fromLocal8Bit(e.what())
                         + QStringLiteral("/date") + OleDate::ToDate(s.LoadedDate[k]).toString(QStringLiteral("yyyy/MM/dd"))
                         + QStringLiteral("/i=") + QString::number(slot)
                         + QStringLiteral("/time=") + OleDate::ToTime(s.LoadedTimeOfDay[k]).toString(QStringLiteral("HH:mm:ss"))
                         + QStringLiteral("/name=/Bangou=") + QString::number(s.LoadedPupil[k])
                         + QStringLiteral("/level=") + QString::number(s.LoadedLevel[k])
                         + QStringLiteral("/time=") + QString::number(s.LoadedSeconds[k])
                         + QStringLiteral("errline") + progressText);
    }
}

ResultEvaluation::Recorded ResultEvaluation::RecordAttempt(const ScoreFile& file, const ScoreRecord& attempt,
                                                           const CriteriaTable& criteria, const ResultTables& results,
                                                           LoadedScores& scores, const PendingAttempts* queue)
{
    const int level = attempt.Level;
    const int p = attempt.Pupil;
    const qint32 s = attempt.Seconds;
    if (!ValidCell(level, p))
        throw FatalError(QStringLiteral("Seisekikiroku 記録できない番号です（レベル %1、番号 %2）").arg(level).arg(p));

    Recorded recorded;
    const PassCriteria& c = criteria[level];
    recorded.AlreadyPassed = results.AttemptCount(level, p) >= c.ClearCount && results.TotalPoints(level, p) >= c.ClearPoints;

    qint32& best = scores.BestSeconds(level, p);
    if (best > s) {
        recorded.NewPersonalBest = true;
        scores.NoteBest(level, p);
        best = s;
    }

    if (!queue) {
        file.AppendScoreRecord(attempt);
    } else {
        try {
            queue->Flush(file, &attempt);
        } catch (const FatalError& away) {
            // Whatever keeps the attempt out of the score file, it waits on this PC.
            recorded.Problem = away.Message;
            try {
                queue->Add(attempt);
                recorded.StoredIn = Recorded::Place::ThisPc;
            } catch (const FatalError& local) {
                recorded.StoredIn = Recorded::Place::Nowhere;
                recorded.Problem += u'\n' + local.Message;
            }
        }
    }

    if (scores.SchoolBestSeconds[level] > s) {
        scores.SchoolBestSeconds[level] = s;
        recorded.NewSchoolBest = true;
    }
    return recorded;
}

QString ResultEvaluation::GradeMark(int n)
{
    static const char16_t* const Marks[] = {u"①", u"②", u"③", u"④", u"⑤", u"⑥", u"Ⅰ", u"Ⅱ", u"Ⅲ"};
    if (n >= 1 && n <= 9)
        return QString::fromUtf16(Marks[n - 1]);
    return QStringLiteral("　");
}

bool ResultEvaluation::Passed(const CriteriaTable& criteria, const ResultTables& results, int level, int pupil)
{
    if (!ValidCell(level, pupil))
        return false;
    const PassCriteria& c = criteria[level];
    return results.JudgePoints(level, pupil) >= c.ClearPoints && results.JudgeCount(level, pupil) >= c.ClearCount;
}

bool ResultEvaluation::Overdoing(const CriteriaTable& criteria, const ResultTables& results, int level, int pupil)
{
    if (!ValidCell(level, pupil))
        return false;
    const PassCriteria& c = criteria[level];
    const double banCount = c.BanCount.Number();
    const double banPoints = c.BanPoints.Number();
    return (banCount != 0 && results.BanWindowCount(level, pupil) >= banCount)
        || (banPoints != 0 && results.BanWindowPoints(level, pupil) >= banPoints);
}
