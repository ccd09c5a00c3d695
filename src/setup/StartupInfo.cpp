#include "setup/StartupInfo.h"
#include "base/Clock.h"
#include "base/RandomSource.h"
#include "base/Version.h"
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <cmath>
#include <memory>

QString StartupInfo::EraDateText(const QDate& date)
{
    if (!date.isValid())
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString pattern(u"Gy年 M月 dd日（E）");
    icu::SimpleDateFormat format(pattern, icu::Locale("ja_JP@calendar=japanese"), status);
    if (U_FAILURE(status))
        return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    // The date is formatted as noon UTC of that day, so no time zone can move it to a neighbour.
    format.adoptTimeZone(icu::TimeZone::getGMT()->clone());
    const qint64 days = QDate(1970, 1, 1).daysTo(date);
    const UDate when = double(days) * 86400000.0 + 12.0 * 3600000.0;
    icu::UnicodeString text;
    format.format(when, text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

QColor StartupInfo::SeasonColour(int month)
{
    switch (month) {
    case 1:
    case 2:
        return QColor(255, 128, 0);
    case 6:
    case 7:
    case 8:
        return QColor(0, 192, 192);
    case 9:
    case 10:
    case 11:
        return QColor(192, 64, 0);
    default: // 3–5 and 12
        return QColor(192, 255, 192);
    }
}

bool StartupInfo::IsDevelopmentLayout(const QString& programFolder)
{
    return programFolder.contains(QStringLiteral("KD0311"), Qt::CaseSensitive)
        && !programFolder.contains(QStringLiteral("ZENDREL"), Qt::CaseSensitive);
}

QString StartupInfo::VersionText()
{
    return VersionText(ZOME2_VERSION_MAJOR, ZOME2_VERSION_MINOR, ZOME2_VERSION_PATCH);
}

QString StartupInfo::VersionNumber()
{
    return QStringLiteral(ZOME2_VERSION_TEXT);
}

QString StartupInfo::VersionText(int major, int minor, int patch)
{
    return QStringLiteral("Version%1.%2.%3").arg(major).arg(minor).arg(patch);
}

void StartupInfo::SeedRandomFromClock(RandomSource& random, const Clock& clock)
{
    random.Seed(quint32(std::llround(clock.SecondsSinceMidnight() * 1000.0)));
}
