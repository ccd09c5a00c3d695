#pragma once
#include <QColor>
#include <QDate>
#include <QString>

class Clock;
class RandomSource;

// What the start-up screen works out before the configuration is read.
class StartupInfo {
public:
    // "令和8年 12月 10日（木）": era name, era year, month, two-digit day, short weekday.
    static QString EraDateText(const QDate& date);
    // Background colour of the menu screens for a calendar month (1–12).
    static QColor SeasonColour(int month);
    // True when the program runs from the development tree: the folder path holds "KD0311"
    // but not "ZENDREL" (both case-sensitive).
    static bool IsDevelopmentLayout(const QString& programFolder);
    // "Version" + major.minor.patch of this build.
    static QString VersionText();
    // major.minor.patch of this build, for --version.
    static QString VersionNumber();
    static QString VersionText(int major, int minor, int patch);
    // Seeds `random` from the time of day on `clock` (milliseconds since midnight).
    static void SeedRandomFromClock(RandomSource& random, const Clock& clock);
};
