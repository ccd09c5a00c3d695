#include "base/OleDate.h"
#include <cmath>

static const QDate kEpoch(1899, 12, 30);

double OleDate::FromDate(const QDate& date) { return double(kEpoch.daysTo(date)); }

double OleDate::FromTime(const QTime& time) { return time.msecsSinceStartOfDay() / 86400000.0; }

double OleDate::FromDateTime(const QDateTime& dateTime)
{
    return FromDate(dateTime.date()) + FromTime(dateTime.time());
}

QDate OleDate::ToDate(double value) { return kEpoch.addDays(qint64(std::floor(value))); }

QTime OleDate::ToTime(double value)
{
    const double fraction = std::abs(value - std::trunc(value));
    return QTime::fromMSecsSinceStartOfDay(int(std::llround(fraction * 86400000.0)) % 86400000);
}
