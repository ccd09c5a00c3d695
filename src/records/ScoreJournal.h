#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// The note a rewrite of the score file in place leaves beside it until the rewrite is done: what
// the content is to become and how the file stood when the rewrite began. Whoever takes the lock
// next and finds it finishes the rewrite, keeping every attempt that a PC which did not see the
// note (a network share's name cache) appended meanwhile.
struct ScoreJournal {
    enum class Kind { Delete, Restore };
    Kind What = Kind::Delete;
    // The complete copy of the content before the rewrite: a file in the data folder, and its size.
    QString Backup;
    qint64 BackupSize = 0;
    // Delete: the record removed, counted from 1, and its 44 bytes.
    qint32 Record = 0;
    QByteArray Removed;
    // Restore: the file in the data folder whose content the score file takes, and its size.
    QString Source;
    qint64 SourceSize = 0;
    // Whole records an earlier finishing found appended meanwhile; they follow the content.
    QByteArray Appended;
    // The score file's size when this rewrite (or its latest finishing) began, and the record that
    // stood right after the target's end then (empty when there was none).
    qint64 OldSize = 0;
    QByteArray Probe;
    // The note the backup gets once the rewrite is done (BackupTails, encoded); empty for none.
    QByteArray Tails;

    static QString FileName(); // "成績累積データ.journal", beside the score file
    // The bytes of the whole records both start with.
    static qint64 CommonWholeRecords(const QByteArray& a, const QByteArray& b);

    QByteArray Encode() const;
    // Nothing, with `problem` set, when `bytes` are not a whole journal as Encode wrote it.
    static std::optional<ScoreJournal> Decode(const QByteArray& bytes, QString* problem);

    // The content before Appended: the backup without the removed record (Delete) or the source
    // (Restore). Nothing, with `problem` set, when either does not match the journal.
    std::optional<QByteArray> BaseContent(const QByteArray& backup, const QByteArray& source, QString* problem) const;
    // The whole records at the end of `current` that were appended after the rewrite towards
    // `target` stopped. The rewrite writes the target over the file from the front, record after
    // record, and only then cuts the file to the target's length; an append lands after the last
    // whole record the file held at that moment.
    QByteArray AppendedSince(const QByteArray& target, const QByteArray& current) const;
    // What a rewrite towards `target` records of the file as it stands (`current`): OldSize and Probe.
    void NoteStart(const QByteArray& target, const QByteArray& current);
};
