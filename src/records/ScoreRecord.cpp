#include "records/ScoreRecord.h"
#include <QtEndian>
#include <cstring>

static QByteArray Fixed5(const QByteArray& b) { return b.left(5).leftJustified(5, ' '); }

QByteArray ScoreRecord::Blanks()
{
    static const QByteArray blanks(5, ' ');
    return blanks;
}

namespace {
// The five bytes at `p`; the common texts share one copy instead of each record holding its own.
QByteArray FixedText5(const char* p, const QByteArray& common)
{
    return std::memcmp(p, common.constData(), 5) == 0 ? common : QByteArray(p, 5);
}
} // namespace

QByteArray ScoreRecord::ToBytes() const
{
    QByteArray out(Size, '\0');
    char* p = out.data();
    qToLittleEndian(Date, p);
    qToLittleEndian(TimeOfDay, p + 8);
    qToLittleEndian(Pupil, p + 16);
    qToLittleEndian(Level, p + 18);
    qToLittleEndian(Seconds, p + 20);
    std::memcpy(p + 24, Fixed5(SchoolCode).constData(), 5);
    std::memcpy(p + 29, Fixed5(SpareText2).constData(), 5);
    std::memcpy(p + 34, Fixed5(SpareText3).constData(), 5);
    std::memcpy(p + 39, Fixed5(SpareText4).constData(), 5);
    return out;
}

ScoreRecord ScoreRecord::FromBytes(const char* p)
{
    ScoreRecord r;
    r.Date = qFromLittleEndian<double>(p);
    r.TimeOfDay = qFromLittleEndian<double>(p + 8);
    r.Pupil = qFromLittleEndian<qint16>(p + 16);
    r.Level = qFromLittleEndian<qint16>(p + 18);
    r.Seconds = qFromLittleEndian<qint32>(p + 20);
    static const QByteArray zero = QByteArrayLiteral("0    ");
    r.SchoolCode = QByteArray(p + 24, 5);
    r.SpareText2 = FixedText5(p + 29, Blanks());
    r.SpareText3 = FixedText5(p + 34, zero);
    r.SpareText4 = FixedText5(p + 39, Blanks());
    return r;
}
