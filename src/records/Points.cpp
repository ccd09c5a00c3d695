#include "records/Points.h"
#include "base/Limits.h"
#include "records/PassCriteria.h"
#include <algorithm>
#include <cmath>

namespace {
// The number formed by the first three characters of the decimal text of `s`.
qint64 FirstThreeCharacters(qint32 s)
{
    qint64 t = s;
    if (s >= 0) {
        while (t >= 1000)
            t /= 10;
        return t;
    }
    qint64 digits = -qint64(s); // "-" takes one of the three characters
    while (digits >= 100)
        digits /= 10;
    return -digits;
}
} // namespace

qint32 Points::RawPoints(qint32 targetTime, qint32 seconds, Reading reading)
{
    if (seconds > Limits::FailedAbove)
        return 0;
    const qint64 target = targetTime;
    const qint64 s = seconds;
    if (s > target)
        return s < 2 * target ? 4 : (s < 10 * target ? 1 : 0);
    // s ≤ T here, so a level without a target reaches this only with 0 s (or a negative time from a
    // damaged record); it earns nothing rather than dividing by zero.
    if (target <= 0)
        return 0;
    const qint64 t = reading == Reading::FirstThreeDigits ? FirstThreeCharacters(seconds) : s;
    const double ratio = double(target - t) / double(target);
    const double points = std::floor(ratio * ratio * ratio * 50.0 + 5.0);
    // Only a negative time from a damaged record goes beyond 55; the rate's cap follows.
    return qint32(std::clamp(points, -1e9, 1e9));
}

qint32 Points::RatedPoints(qint32 rawPoints, float pointRate)
{
    const float product = float(rawPoints) * pointRate;
    if (std::isnan(product))
        return 0;
    return qint32(std::clamp(double(std::floor(product)), double(-MaxPoints), double(MaxPoints)));
}

qint32 Points::AttemptPoints(const PassCriteria& level, qint32 seconds)
{
    return RatedPoints(RawPoints(level.TargetTime, seconds, Reading::FirstThreeDigits), level.PointRate);
}
