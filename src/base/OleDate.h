#pragma once
#include <QDateTime>

// OLE automation dates: days since 30 December 1899 as a double, time as the fraction of a day.
class OleDate {
public:
    static double FromDate(const QDate& date);
    static double FromTime(const QTime& time);
    static double FromDateTime(const QDateTime& dateTime);
    static QDate ToDate(double value);
    static QTime ToTime(double value);
};
