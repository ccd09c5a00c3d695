#pragma once
#include <QByteArray>
#include <QString>

// What a backup of the score file holds against the file as it is now, record by record (whole
// records only; a partial record at the end counts for nothing).
class BackupComparison {
public:
    // Why `backup` is not a score file's content (a length that is not whole records, or records no
    // attempt can have); empty when it is one.
    static QString Damage(const QByteArray& backup);
    // How many records the two differ by: those of either that the other does not hold (once for
    // each time it holds them).
    static qint64 Differing(const QByteArray& current, const QByteArray& backup);
    // The records of `current` appended after `backup` was made, in their order: those the backup
    // does not hold, leaving out a record a teacher changed since (its attempt, the same date,
    // time of day and level, stands in the backup with another pupil or time).
    static QByteArray AppendedAfter(const QByteArray& current, const QByteArray& backup);
    // The whole records of `records` without the first of each record `taken` holds (once for each
    // time it holds it).
    static QByteArray Without(const QByteArray& records, const QByteArray& taken);
};
