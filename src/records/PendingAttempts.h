#pragma once
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <vector>

class ScoreFile;

// The attempts that ended on this PC while the score file could not be written (the share away
// or refusing writes), kept in a file of this account on this PC, one for each data folder, until
// they can be appended. The file holds the 44-byte records as the score file does. Two windows of
// the account take turns on it through an fcntl lock of the file; the file is only ever replaced
// whole (written beside, synced, renamed), so a kill leaves the old queue or the new one.
class PendingAttempts {
public:
    // `queueFolder`: this account's own data folder on this PC (AppDataLocation); `dataFolder`: the
    // score file's folder the attempts belong to.
    PendingAttempts(const QString& queueFolder, const QString& dataFolder);
    QString Path() const;
    // The note of an append to the score file under way ("<queue>.flushing", AppendNote).
    QString NotePath() const;

    // The queued attempts, oldest first. What is damaged (a record torn by a power cut, records no
    // attempt can have) is moved aside into a dated file beside, never dropped, and the rest stays
    // queued: `problem` then says so, naming both files.
    std::vector<ScoreRecord> Load(QString* problem = nullptr, const QDateTime& now = QDateTime::currentDateTime()) const;
    // Adds `record` at the end and syncs it, and the folders that name a new queue file. Throws
    // FatalError naming the file when it cannot; a record that could not be written whole is taken
    // off again, so the queue stays as it was.
    void Add(const ScoreRecord& record) const;
    // Appends the queue, then `next` when given, to `file` under its write lock, each at most once
    // whatever happened to an earlier flush (ScoreFile::AppendOnce), and takes what is now in the
    // file off the queue, by content: what another window added meanwhile stays. Returns how many
    // queued attempts are in the file now. Throws ScoreFile::Unreachable (the queue then stays) and
    // FatalError.
    int Flush(const ScoreFile& file, const ScoreRecord* next = nullptr) const;

private:
    QString Folder;
    QString File;
};
