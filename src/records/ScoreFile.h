#pragma once
#include "base/ResponsiveWait.h"
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

struct LoadedScores;

// "成績累積データ.dat" in a data folder, shared by the classroom's machines.
// Writers hold a whole-file write lock, readers a read lock; a lock held by another process is
// waited out a second at a time through the wait function (the screens pass one that keeps them
// responsive). Every operation opens, uses and closes the file.
class ScoreFile {
public:
    // `dataFolder` ends with "/".
    explicit ScoreFile(const QString& dataFolder, WaitFunction wait = {});
    // While another machine holds the lock, `notice` hears the seconds waited after each second of
    // waiting, and 0 once the wait is over.
    ScoreFile& NoticeWaiting(std::function<void(int secondsWaited)> notice);
    // Gives up (FatalError) once the lock has been waited for this many seconds; 0 waits on.
    ScoreFile& GiveUpAfter(int seconds);

    QString Path() const;
    // "成績累積データtemp.dat": a copy of the file kept while a record is being removed.
    QString TempPath() const;
    // Creates the file empty when it is missing. Throws FatalError when it cannot be opened; a missing
    // data folder (a lost share) is tried four times, five seconds apart, first.
    void OpenScoreFile() const;
    // The record of an attempt that ends `now`.
    static ScoreRecord AttemptRecord(const QDateTime& now, qint16 pupil, qint16 level, qint32 seconds,
                                     const QString& schoolCode);
    // Appends one record; a partial record at the end is overwritten.
    void AppendScoreRecord(const ScoreRecord& record) const;
    // Rebuilds `scores` from the last 20000 whole records (one read). Records whose pupil lies
    // outside 0–5000 or whose level lies outside 0–35 are damaged and left out entirely.
    void LoadScoreRecords(LoadedScores& scores) const;
    // The last `count` whole records, oldest first (fewer when the file holds fewer), read at once
    // under the shared lock like the loader, whatever the size of the file; a partial record at the
    // end is left out. Creates the file empty when it is missing. Throws FatalError with the
    // loader's message when the file cannot be read.
    std::vector<ScoreRecord> ReadLastRecords(qint64 count) const;
    qint32 RecordCount() const;
    // Record n counted from 1. Throws FatalError when there is no record n.
    ScoreRecord ReadRecord(qint32 n) const;
    void WriteRecord(qint32 n, const ScoreRecord& record) const;
    // Records after n move up by one; a partial record at the end is dropped.
    void RemoveRecord(qint32 n) const;

    // How this file is waited on while another machine holds its lock.
    const WaitFunction& WaitFor() const { return Wait; }
    void TellWaited(int seconds) const
    {
        if (Notice)
            Notice(seconds);
    }
    int GiveUpAfterSeconds() const { return GiveUpSeconds; }

private:
    QString DataFolder;
    WaitFunction Wait;
    std::function<void(int)> Notice;
    int GiveUpSeconds = 0;
};
