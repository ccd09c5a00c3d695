#pragma once
#include <QDateTime>

// Where the program reads the time. Screens and rules take it from the environment, so tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time of day.
    virtual QDateTime Now() const = 0;
    // Milliseconds from an arbitrary start that never goes back (not touched by clock adjustments).
    virtual qint64 MonotonicMs() const = 0;

    QDate Today() const { return Now().date(); }
    // Clock time of day as seconds since midnight, with fraction.
    double SecondsSinceMidnight() const;
};
