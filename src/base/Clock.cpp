#include "base/Clock.h"

double Clock::SecondsSinceMidnight() const
{
    return Now().time().msecsSinceStartOfDay() / 1000.0;
}
