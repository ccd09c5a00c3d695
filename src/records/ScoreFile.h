#pragma once
#include "base/ResponsiveWait.h"
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Clock;
struct LoadedScores;

// "成績累積データ.dat" in a data folder, shared by the classroom's machines.
// Writers hold a whole-file write lock, readers a read lock; a lock held by another process is
// waited out a second at a time through the wait function (the screens pass one that keeps them
// responsive). Every operation opens, uses and closes the file. Removing a record puts a new file in
// the old one's place, so every operation, once it holds the lock, makes sure that the path still
// names the file it locked, and starts again on the new one when it does not.
class ScoreFile {
public:
    // `dataFolder` ends with "/".
    explicit ScoreFile(const QString& dataFolder, WaitFunction wait = {});
    // While another machine holds the lock, `notice` hears the seconds waited after each second of
    // waiting, and 0 once the wait is over.
    ScoreFile& NoticeWaiting(std::function<void(int secondsWaited)> notice);
    // Gives up (FatalError) once the lock has been waited for this many seconds; 0 waits on.
    ScoreFile& GiveUpAfter(int seconds);
    // The clock that dates the backups RemoveRecord keeps; without one, the system's.
    ScoreFile& DateBackupsBy(const Clock& clock);

    QString Path() const;
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
    // The same records as their 44 bytes each, for a reader of many that keeps little of each.
    std::vector<char> ReadLastRecordBytes(qint64 count) const;
    qint32 RecordCount() const;
    // Record n counted from 1. Throws FatalError when there is no record n.
    ScoreRecord ReadRecord(qint32 n) const;
    // Overwrites record n in place and forces it to the disk.
    void WriteRecord(qint32 n, const ScoreRecord& record) const;
    // Records after n move up by one; a partial record at the end is dropped. Under the write lock the
    // new content is written to a new file in the data folder and forced to the disk, the old file is
    // kept as "成績累積データ_yyyyMMdd-HHmmss.bak" (a later backup of the same second gets "_2", "_3" …;
    // the last KeptBackups are kept), and the new file is renamed over the old one. Killed at any
    // point, the path holds either the whole old file or the whole new one; what a killed delete
    // leaves behind is cleared by the next one. Throws FatalError, leaving the file as it was, when
    // there is no record n or anything before the rename fails.
    // Tests stop it at a step with ZOME2_TEST_PAUSE_AT_STEP (see PauseForTestAt in ScoreFile.cpp).
    void RemoveRecord(qint32 n) const;
    static constexpr int KeptBackups = 5;
    // The names of the dated backups in the data folder, oldest first.
    QStringList BackupNames() const;

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
    const Clock* BackupClock = nullptr;
};
