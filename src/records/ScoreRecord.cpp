#include "records/ScoreRecord.h"

QByteArray ScoreRecord::Blanks()
{
    static const QByteArray blanks(5, ' ');
    return blanks;
}
