#include "menu/MenuTexts.h"
#include "attempt_end/AttemptOutcome.h"
#include "roster/RosterFile.h"
#include <algorithm>
#include <cmath>

namespace {
constexpr double SecondsPerDay = 86400;
} // namespace

QString MenuTexts::StartCaption(int level)
{
    return QStringLiteral("ｽﾀｰﾄ(&") + QString::number(level) + QStringLiteral(")");
}

QString MenuTexts::TodayTotals(float todayCount, qint32 todayPoints)
{
    if (todayCount == 0)
        return QStringLiteral("-----");
    // The count is kept as a single-precision number; it shows as the rate does, plain decimal.
    return AttemptOutcome::RateText(todayCount) + QStringLiteral("回/") + QString::number(todayPoints)
        + QStringLiteral("点");
}

QString MenuTexts::AllTimeTotals(qint16 count, qint32 points)
{
    if (count == 0)
        return QStringLiteral("------");
    return QString::number(count) + QStringLiteral("回/") + QString::number(points) + QStringLiteral("点");
}

QString MenuTexts::JudgeWindow(const PassCriteria& level, qint16 judgeCount, qint32 judgePoints)
{
    return QStringLiteral("最近") + level.JudgeDays.ToText() + QStringLiteral("日=") + QString::number(judgeCount)
        + QStringLiteral("回 / ") + QString::number(judgePoints) + QStringLiteral("点");
}

QString MenuTexts::Targets(const PassCriteria& level)
{
    const QString time = QStringLiteral("目標=") + QString::number(level.TargetTime) + QStringLiteral("秒");
    if (level.ClearPoints == 9999)
        return time + QStringLiteral(" --------");
    return time + QStringLiteral(" ") + QString::number(level.ClearCount) + QStringLiteral("回/")
        + QString::number(level.ClearPoints) + QStringLiteral("点(×") + AttemptOutcome::RateText(level.PointRate)
        + QStringLiteral(")");
}

QString MenuTexts::MinutesSinceSignIn(double secondsSinceMidnight, qint32 loginTime)
{
    // Whole seconds, halves to the even second, then whole minutes with the rest dropped.
    double seconds = std::nearbyint(secondsSinceMidnight - double(loginTime));
    if (!std::isfinite(seconds))
        seconds = 0;
    // Signed in before midnight: the clock has started a new day since.
    if (seconds < 0)
        seconds += SecondsPerDay;
    const qint64 minutes = qint64(std::trunc(std::clamp(seconds, -1e15, 1e15) / 60));
    return QStringLiteral("起動後") + QString::number(minutes) + QStringLiteral("分");
}

QString MenuTexts::TodayTotal(qint16 total)
{
    return QStringLiteral("本日総回数＝") + QString::number(total) + QStringLiteral("回");
}

QString MenuTexts::PupilHeading(const QString& gradeLabel, const QString& name)
{
    return gradeLabel + QStringLiteral(" ") + RosterFile::TrimBlanks(name);
}

QString MenuTexts::SchoolHeading(const QString& schoolName, int pupil)
{
    return schoolName + QStringLiteral(":") + QString::number(pupil);
}
