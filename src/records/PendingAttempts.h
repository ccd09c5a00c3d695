#pragma once
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <vector>

class ScoreFile;

// The attempts that ended on this PC while the score file could not be written (the share away
// or refusing writes), kept in a file of this account on this PC, one for each data folder, until
// they can be appended. The file holds the 44-byte records as the score file does.
class PendingAttempts {
public:
    // `queueFolder`: this account's own data folder on this PC (AppDataLocation); `dataFolder`: the
    // score file's folder the attempts belong to.
    PendingAttempts(const QString& queueFolder, const QString& dataFolder);
    QString Path() const;

    // The queued attempts, oldest first. A queue file that is damaged (not whole records, or
    // records no attempt can have) is moved aside under a dated name, never dropped: `problem`
    // then says so, naming both, and the queue is empty.
    std::vector<ScoreRecord> Load(QString* problem = nullptr, const QDateTime& now = QDateTime::currentDateTime()) const;
    // Adds `record` at the end and syncs it. Throws FatalError naming the file when it cannot; a
    // record that could not be written whole is taken off again, so the queue stays as it was.
    void Add(const ScoreRecord& record) const;
    // Appends the queue, then `next` when given, to `file` under one lock, each once (see
    // ScoreFile::AppendRecords), and empties the queue. Returns how many queued attempts were written
    // or found already there. Throws ScoreFile::Unreachable (the queue then stays) and FatalError.
    int Flush(const ScoreFile& file, const ScoreRecord* next = nullptr) const;

private:
    QString Folder;
    QString File;
};
