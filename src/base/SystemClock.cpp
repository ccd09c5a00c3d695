#include "base/SystemClock.h"

SystemClock::SystemClock() { Timer.start(); }

QDateTime SystemClock::Now() const { return QDateTime::currentDateTime(); }

qint64 SystemClock::MonotonicMs() const { return Timer.elapsed(); }
