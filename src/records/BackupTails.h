#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

// Which records of the score file were appended after each backup was made. A delete takes one
// record out and a restore puts a backup's content before the attempts appended since it, so the
// attempts appended after any backup always stand together at the end of the file: one record
// number per backup (how many records come before them) says which they are. Appends leave these
// numbers as they are; each rewrite works them out anew and leaves them beside the backup it
// made, "<backup>.tails".
struct BackupTails {
    // Backup name → the number of records in front of those appended after it was made.
    using Starts = QMap<QString, qint64>;
    // In the backup's own content, for the backups made before it that were known then.
    Starts Before;
    // In the content the rewrite gave the file, for every backup known then, itself included.
    Starts After;
    // Records of that content.
    qint64 Records = 0;

    static QString FileNameOf(const QString& backup);
    QByteArray Encode() const;
    // Nothing when `bytes` are not a whole note as Encode wrote it.
    static std::optional<BackupTails> Decode(const QByteArray& bytes);

    // The starts once record `index` (from 0) of the content is taken out.
    static Starts AfterRemoving(const Starts& now, qint64 index);
    // The starts once the content becomes the backup `chosen` (`chosenRecords` records, `chosenTails`
    // its note) followed by the records appended after it; `now` must know `chosen`. The backups made
    // before `chosen` start where they started in its content; the ones made since keep their place
    // among the appended records that follow it.
    static Starts AfterRestoring(const Starts& now, const QString& chosen, qint64 chosenRecords,
                                 const BackupTails& chosenTails);
};
