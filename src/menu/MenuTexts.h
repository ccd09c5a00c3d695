#pragma once
#include "records/PassCriteria.h"
#include <QString>
#include <QtGlobal>

// The texts of the level menu's heading and of every level column.
class MenuTexts {
public:
    // "ｽﾀｰﾄ(&i)"
    static QString StartCaption(int level);
    // Today's attempts and points ("3回/25点"), "-----" when there is no attempt today.
    static QString TodayTotals(float todayCount, qint32 todayPoints);
    // All-time attempts and points, "------" when there is none.
    static QString AllTimeTotals(qint16 count, qint32 points);
    // "最近" JudgeDays "日=" count "回 / " points "点".
    static QString JudgeWindow(const PassCriteria& level, qint16 judgeCount, qint32 judgePoints);
    // "目標=60秒 10回/500点(×1.5)", or "目標=60秒 --------" when ClearPoints is 9999.
    static QString Targets(const PassCriteria& level);
    // "起動後" m "分", the whole minutes since sign-in (a sign-in before midnight counts on).
    static QString MinutesSinceSignIn(double secondsSinceMidnight, qint32 loginTime);
    // "本日総回数＝" n "回".
    static QString TodayTotal(qint16 total);
    // Grade label, a blank, the name without surrounding blanks.
    static QString PupilHeading(const QString& gradeLabel, const QString& name);
    // School name ":" pupil number.
    static QString SchoolHeading(const QString& schoolName, int pupil);
};
