#pragma once
#include <QtGlobal>

struct PassCriteria;

// The points an attempt earns: one formula for the result tables, the attempt end screen and the
// export.
class Points {
public:
    // How the seconds enter the formula under the target time. The result tables read a time by the
    // first three characters of its decimal text (1234 s scores as 123 s); the attempt end screen
    // shows the points of the seconds as they are.
    enum class Reading { FirstThreeDigits, AsTheyAre };

    // One attempt is worth at most this many points either way, so that the 20000 attempts of a
    // window add up within 32 bits whatever a damaged record or rate holds.
    static constexpr qint32 MaxPoints = 100000;

    // Points before the level's rate: 0 for a failed attempt (over 99997 s) and on a level without
    // a target; 4 under twice the target, 1 under ten times, else 0; on or under the target
    // ((T − t) ÷ T)³ × 50 + 5.
    static qint32 RawPoints(qint32 targetTime, qint32 seconds, Reading reading);
    // Integer part of rate × raw points in single precision, as the rate is stored, so that a rate
    // typed as 0.7 turns 10 points into 7 rather than 6.
    static qint32 RatedPoints(qint32 rawPoints, float pointRate);
    // What one recorded attempt adds to the result tables.
    static qint32 AttemptPoints(const PassCriteria& level, qint32 seconds);
};
