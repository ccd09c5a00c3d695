#include "drill/TimeBar.h"
#include "records/PassCriteria.h"
#include <algorithm>
#include <cmath>

namespace {
// The Best and YourBest rows have no time of their own to count down to.
constexpr int NoReference = 0;
} // namespace

TimeBar::TimeBar()
{
    for (int marker = FirstMarker; marker <= LastMarker; ++marker)
        Markers[std::size_t(marker)] = true;
}

int TimeBar::ElapsedSeconds(qint64 ms)
{
    // Halves to even, as the default rounding mode does.
    return int(std::nearbyint(std::max<qint64>(0, ms) / 1000.0));
}

double TimeBar::ClampToTrack(double width) const
{
    return std::clamp(width, 0.0, TrackWidth);
}

void TimeBar::SetUp(const PassCriteria& criteria)
{
    Limit = criteria.LowestTime * 5;
    Seconds = QStringLiteral("0");
    // A level without a lowest time has no time to run: the bar stays empty and the first tick
    // ends the attempt.
    SecondScale = Limit > 0 ? TrackWidth / Limit : 0;
    Elapsed = 0;
    TargetZone = ClampToTrack(criteria.TargetTime * SecondScale);
    LowestZone = ClampToTrack(criteria.LowestTime * SecondScale);
    LowestShown = true;
}

void TimeBar::SetUpWithoutLevel(qint32 timeLimit)
{
    Limit = timeLimit;
    Seconds = QString::number(Limit);
    SecondScale = Limit > 0 ? TrackWidth / Limit : 0;
    TargetZone = TrackWidth;
    Elapsed = 0;
    LowestShown = false;
}

void TimeBar::CountDown(int firstMarker, int reference, int elapsed)
{
    if (reference >= elapsed)
        for (int i = 0; i <= std::min(9, elapsed - reference + 9); ++i)
            Markers[std::size_t(firstMarker + i)] = false;
}

void TimeBar::Show(int elapsed, const PassCriteria& criteria, bool levelInUse)
{
    CountDown(10, NoReference, elapsed);
    CountDown(20, NoReference, elapsed);
    CountDown(30, criteria.TargetTime, elapsed);
    // The Pass row also loses a marker from its far end in each of the ten seconds before the
    // lowest time.
    if (criteria.LowestTime >= elapsed)
        for (int i = 0; i <= 9; ++i)
            if (criteria.LowestTime - i == elapsed)
                Markers[std::size_t(LastMarker - i)] = false;

    if (levelInUse) {
        Seconds = QString::number(elapsed);
        if (elapsed < Limit)
            Elapsed = elapsed * SecondScale;
    }
}

bool TimeBar::Reach(int elapsed)
{
    if (elapsed < Limit) {
        Elapsed = elapsed * SecondScale;
        return false;
    }
    Elapsed = TrackWidth;
    return true;
}
