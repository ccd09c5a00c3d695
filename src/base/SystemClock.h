#pragma once
#include "base/Clock.h"
#include <QElapsedTimer>

class SystemClock : public Clock {
public:
    SystemClock();
    QDateTime Now() const override;
    qint64 MonotonicMs() const override;

private:
    QElapsedTimer Timer;
};
