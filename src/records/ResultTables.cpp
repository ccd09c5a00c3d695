#include "records/ResultTables.h"
#include <algorithm>

qint16 ResultTables::TodayTotal(int pupil) const
{
    if (!Limits::IsPupilSlot(pupil))
        return 0;
    double total = 0;
    for (int level = Limits::FirstLevel; level <= Limits::LastLevel; ++level)
        total += TodayCount(level, pupil);
    return qint16(std::clamp(total, -32768.0, 32767.0));
}

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
    PreviouslyFilled.clear();
}

void ResultTables::ClearCell(qint32 cell)
{
    AttemptCount.Row(0)[cell] = 0;
    TotalPoints.Row(0)[cell] = 0;
    JudgeCount.Row(0)[cell] = 0;
    JudgePoints.Row(0)[cell] = 0;
    BanWindowCount.Row(0)[cell] = 0;
    BanWindowPoints.Row(0)[cell] = 0;
    TodayCount.Row(0)[cell] = 0;
    TodayPoints.Row(0)[cell] = 0;
}

void ResultTables::BeginRebuild()
{
    if (++Generation == 0) { // after four billion rebuilds the stamps start again
        std::fill(Stamp.begin(), Stamp.end(), 0u);
        Generation = 1;
    }
    std::swap(Filled, PreviouslyFilled);
    Filled.clear();
}

void ResultTables::EndRebuild()
{
    for (const qint32 cell : PreviouslyFilled)
        if (Stamp[std::size_t(cell)] != Generation)
            ClearCell(cell);
    PreviouslyFilled.clear();
}
