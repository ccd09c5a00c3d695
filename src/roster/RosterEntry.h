#pragma once
#include <QString>
#include <QtGlobal>

// One roster line as kept in memory; texts are exactly 20 characters (cut or blank-padded).
struct RosterEntry {
    qint16 Number = 0;
    qint16 RefYear = 0;
    qint16 Spare3 = 0;
    qint16 Spare4 = 0;
    QString Name;
    QString SpareText7;
    QString SpareText8;
};
