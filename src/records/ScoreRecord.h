#pragma once
#include <QByteArray>
#include <QtGlobal>

// One finished attempt as stored in the shared score file (ScoreRecordCodec has its bytes).
struct ScoreRecord {
    double Date = 0;       // OLE date, whole days
    double TimeOfDay = 0;  // OLE time, fraction of a day
    qint16 Pupil = 0;
    qint16 Level = 0;
    qint32 Seconds = 0;
    QByteArray SchoolCode = Blanks(); // CP932 bytes, exactly 5
    QByteArray SpareText2 = Blanks();
    QByteArray SpareText3 = QByteArrayLiteral("0    ");
    QByteArray SpareText4 = Blanks();

    // Five blanks, shared by every record that holds them (a window holds twenty thousand).
    static QByteArray Blanks();
};
