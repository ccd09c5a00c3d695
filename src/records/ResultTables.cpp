#include "records/ResultTables.h"

void ResultTables::ClearAll()
{
    AttemptCount.Fill(0);
    TotalPoints.Fill(0);
    JudgeCount.Fill(0);
    JudgePoints.Fill(0);
    BanWindowCount.Fill(0);
    BanWindowPoints.Fill(0);
    TodayCount.Fill(0);
    TodayPoints.Fill(0);
    Filled.clear();
}

void ResultTables::ClearFilled()
{
    qint16* attemptCount = AttemptCount.Row(0);
    qint32* totalPoints = TotalPoints.Row(0);
    qint16* judgeCount = JudgeCount.Row(0);
    qint32* judgePoints = JudgePoints.Row(0);
    qint16* banWindowCount = BanWindowCount.Row(0);
    qint32* banWindowPoints = BanWindowPoints.Row(0);
    float* todayCount = TodayCount.Row(0);
    qint32* todayPoints = TodayPoints.Row(0);
    for (const qint32 cell : Filled) {
        attemptCount[cell] = 0;
        totalPoints[cell] = 0;
        judgeCount[cell] = 0;
        judgePoints[cell] = 0;
        banWindowCount[cell] = 0;
        banWindowPoints[cell] = 0;
        todayCount[cell] = 0;
        todayPoints[cell] = 0;
    }
    Filled.clear();
}
