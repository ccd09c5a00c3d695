#pragma once
#include "base/Clock.h"

// A clock the test sets and advances by hand.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime now = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0)))
        : Current(now) {}
    QDateTime Now() const override { return Current; }
    qint64 MonotonicMs() const override { return Monotonic; }
    void Set(const QDateTime& now) { Current = now; }
    void AdvanceMs(qint64 ms) { Current = Current.addMSecs(ms); Monotonic += ms; }

    QDateTime Current;
    qint64 Monotonic = 1000000;
};
