#include "records/ScoreRecord.h"
#include <QtEndian>
#include <cstring>

static QByteArray Fixed5(const QByteArray& b) { return b.left(5).leftJustified(5, ' '); }

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
    std::memcpy(p + 29, Fixed5(Text2).constData(), 5);
    std::memcpy(p + 34, Fixed5(Text3).constData(), 5);
    std::memcpy(p + 39, Fixed5(Text4).constData(), 5);
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
    r.SchoolCode = QByteArray(p + 24, 5);
    r.Text2 = QByteArray(p + 29, 5);
    r.Text3 = QByteArray(p + 34, 5);
    r.Text4 = QByteArray(p + 39, 5);
    return r;
}
