#pragma once
#include "records/ScoreRecord.h"
#include <QByteArray>
#include <QtEndian>
#include <QtGlobal>

// The 44 bytes of a score record, little-endian, no header: the date (8), the time of day (8), the
// pupil (2), the level (2), the seconds (4), then four texts of 5 bytes (the school code first).
// Every reader and writer of score records goes through here; nothing else knows where a field lies.
class ScoreRecordCodec {
public:
    static constexpr int Size = 44;
    static constexpr int TextSize = 5; // each of the four texts

    // Texts longer than 5 bytes are cut, shorter ones padded with blanks.
    static QByteArray Encode(const ScoreRecord& record);
    // `bytes` must hold at least Size bytes.
    static ScoreRecord Decode(const char* bytes);

    // Single fields of the record at `bytes`, for the readers of many records that look at a few
    // fields of each.
    static double Date(const char* bytes) { return qFromLittleEndian<double>(bytes + DateAt); }
    static double TimeOfDay(const char* bytes) { return qFromLittleEndian<double>(bytes + TimeOfDayAt); }
    static qint16 Pupil(const char* bytes) { return qFromLittleEndian<qint16>(bytes + PupilAt); }
    static qint16 Level(const char* bytes) { return qFromLittleEndian<qint16>(bytes + LevelAt); }
    static qint32 Seconds(const char* bytes) { return qFromLittleEndian<qint32>(bytes + SecondsAt); }

    // Date, time of day and level of a record: what a teacher's correction of the pupil or the time
    // leaves as it was, and so what tells one attempt from another.
    static QByteArray AttemptOf(const QByteArray& record);

private:
    static constexpr int DateAt = 0;
    static constexpr int TimeOfDayAt = 8;
    static constexpr int PupilAt = 16;
    static constexpr int LevelAt = 18;
    static constexpr int SecondsAt = 20;
    static constexpr int TextsAt = 24; // the school code, then the three spare texts
};
