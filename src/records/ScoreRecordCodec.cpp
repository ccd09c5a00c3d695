#include "records/ScoreRecordCodec.h"
#include <cstring>

namespace {
constexpr int TextSize = ScoreRecordCodec::TextSize;

QByteArray Fixed5(const QByteArray& b) { return b.left(TextSize).leftJustified(TextSize, ' '); }

// The five bytes at `p`; the common texts share one copy instead of each record holding its own.
QByteArray FixedText5(const char* p, const QByteArray& common)
{
    return std::memcmp(p, common.constData(), TextSize) == 0 ? common : QByteArray(p, TextSize);
}
} // namespace

QByteArray ScoreRecordCodec::Encode(const ScoreRecord& record)
{
    QByteArray out(Size, '\0');
    char* p = out.data();
    qToLittleEndian(record.Date, p + DateAt);
    qToLittleEndian(record.TimeOfDay, p + TimeOfDayAt);
    qToLittleEndian(record.Pupil, p + PupilAt);
    qToLittleEndian(record.Level, p + LevelAt);
    qToLittleEndian(record.Seconds, p + SecondsAt);
    char* text = p + TextsAt;
    for (const QByteArray* t : {&record.SchoolCode, &record.SpareText2, &record.SpareText3, &record.SpareText4}) {
        std::memcpy(text, Fixed5(*t).constData(), TextSize);
        text += TextSize;
    }
    return out;
}

ScoreRecord ScoreRecordCodec::Decode(const char* p)
{
    ScoreRecord r;
    r.Date = Date(p);
    r.TimeOfDay = TimeOfDay(p);
    r.Pupil = Pupil(p);
    r.Level = Level(p);
    r.Seconds = Seconds(p);
    static const QByteArray zero = QByteArrayLiteral("0    ");
    const char* text = p + TextsAt;
    r.SchoolCode = QByteArray(text, TextSize);
    r.SpareText2 = FixedText5(text + TextSize, ScoreRecord::Blanks());
    r.SpareText3 = FixedText5(text + 2 * TextSize, zero);
    r.SpareText4 = FixedText5(text + 3 * TextSize, ScoreRecord::Blanks());
    return r;
}

QByteArray ScoreRecordCodec::AttemptOf(const QByteArray& record)
{
    return record.left(PupilAt) + record.mid(LevelAt, sizeof(qint16));
}
