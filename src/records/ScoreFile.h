#pragma once
#include "base/FatalError.h"
#include "base/ResponsiveWait.h"
#include "records/AppendNote.h"
#include "records/LockedScoreFile.h"
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class Clock;
struct LoadedScores;

// "成績累積データ.dat" in a data folder, shared by the classroom's machines.
// Writers hold a whole-file write lock, readers a read lock (LockedScoreFile); a lock held by another
// process is waited out a second at a time through the wait function (the screens pass one that
// keeps them responsive). Every operation opens, uses and closes the file, always the one file the
// path names: the file is rewritten in place, never replaced. A rewrite (a delete) leaves a journal
// beside the file until it is done; every operation, once it holds the lock, finishes a rewrite that
// was cut off before it goes on (see ScoreJournal). The records' bytes are ScoreRecordCodec's; the
// loaded window is ScoreWindowLoader's.
class ScoreFile {
public:
    // The file cannot be reached or written just now: a lost share, no rights, a full disk, a lock
    // the file system refuses, or a cut-off rewrite that cannot be finished. An attempt that could
    // not be appended for this reason can wait on the PC and be appended later.
    class Unreachable : public FatalError {
    public:
        using FatalError::FatalError;
    };
    // The record the teacher chose is no longer what the file holds at its number (another PC
    // changed or removed records meanwhile); nothing was written.
    class Changed : public FatalError {
    public:
        using FatalError::FatalError;
    };

    // `dataFolder` ends with "/".
    explicit ScoreFile(const QString& dataFolder, WaitFunction wait = {});
    // While another machine holds the lock, `notice` hears the seconds waited after each second of
    // waiting, and 0 once the wait is over.
    ScoreFile& NoticeWaiting(std::function<void(int secondsWaited)> notice);
    // Gives up (FatalError) once the lock has been waited for this many seconds; 0 waits on.
    ScoreFile& GiveUpAfter(int seconds);
    // The clock that dates the backups RemoveRecord keeps; without one, the system's.
    ScoreFile& DateBackupsBy(const Clock& clock);
    // A missing data folder (a lost share) fails at once instead of being tried four times, five
    // seconds apart: for work that can wait for the share, such as writing queued attempts.
    ScoreFile& TryOnce();

    QString Path() const;
    QString JournalPath() const;
    // Creates the file empty when it is missing. Throws FatalError when it cannot be opened; a missing
    // data folder (a lost share) is tried four times, five seconds apart, first.
    void OpenScoreFile() const;
    // The record of an attempt that ends `now`.
    static ScoreRecord AttemptRecord(const QDateTime& now, qint16 pupil, qint16 level, qint32 seconds,
                                     const QString& schoolCode);
    // Appends one record; a partial record at the end is overwritten. Throws Unreachable when the
    // file cannot be reached or written, FatalError when it cannot take another record.
    void AppendScoreRecord(const ScoreRecord& record) const;
    // Appends `records` in order under one lock, leaving out each one whose 44 bytes the last 20000
    // records already hold (once for each time they hold them), and syncs them to the disk. Returns
    // how many of them the file holds now. Throws as AppendScoreRecord; part of the records may then
    // be on the disk (a write cut short, or one the share reported failed after it landed).
    int AppendRecords(const std::vector<ScoreRecord>& records) const;

    // How a queue of attempts on this PC takes part in an append (AppendOnce), each step under the
    // score file's write lock, so that no other window or PC of this account appends meanwhile.
    struct QueueSteps {
        // The queued records (whole 44-byte records) and the note an append cut off before left.
        std::function<void(QByteArray& queued, std::optional<AppendNote>& cutOff)> Gather;
        // Keeps `note` (synced) before the append; throws FatalError when it cannot, and the append
        // goes on without it.
        std::function<void(const AppendNote& note)> Note;
        // The queued records are all in the file now: the queue lets them go, and the note.
        std::function<void(const QByteArray& queued)> Done;
    };
    // Appends the queue's records, then `next` when given, each at most once whatever happened to an
    // earlier append: what an append that was cut off put in the file is found exactly (the note of
    // AppendNote), beyond that what the last 20000 records hold is left out (as AppendRecords does).
    // The records are synced before Done. Returns how many queued records are in the file now.
    // Throws Unreachable when the file cannot be reached or written: part of the records may then be
    // on the disk, and the note lets the next append tell which.
    int AppendOnce(const QueueSteps& queue, const ScoreRecord* next = nullptr) const;
    // Rebuilds `scores` from the last 20000 whole records (one read), followed by `pending` (this
    // PC's attempts not yet in the file). Records whose pupil lies outside 0–5000 or whose level lies
    // outside 0–35 are damaged and left out entirely. With `shareAway` (attempts of this PC could not
    // be written), the file is tried once, and when it cannot be reached the window of the last load
    // stands in for it.
    void LoadScoreRecords(LoadedScores& scores, const std::vector<ScoreRecord>& pending = {},
                          bool shareAway = false) const;
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
    // Overwrites record n in place with `record` and forces it to the disk, when record n is still
    // `expected` (the record the teacher chose), compared under the same lock; else throws Changed.
    void WriteRecord(qint32 n, const ScoreRecord& record, const ScoreRecord& expected) const;
    // Removes record n, when it is still `expected` (else Changed); records after it move up by one
    // and a partial record at the end is dropped. Under the write lock, throughout: the whole old
    // content is kept as "成績累積データ_yyyyMMdd-HHmmss.bak" (ScoreBackups says which are
    // kept), a journal beside the file says what is being done, then the later records move down
    // in place, the file is cut and synced, and the journal goes. Killed at any point, the next
    // operation on the file finishes it. Throws FatalError, leaving the file as it was, when there is
    // no record n or the backup or journal cannot be written.
    // Tests stop it at a step with ZOME2_TEST_PAUSE_AT_STEP (see PauseForTestAt in ScoreFile.cpp).
    void RemoveRecord(qint32 n, const ScoreRecord& expected) const;
    // The names of the dated backups in the data folder, oldest first.
    QStringList BackupNames() const;
    // A backup as a teacher chooses one to go back to.
    struct BackupInfo {
        QString Name;
        QDateTime Made;
        qint64 Records = 0;    // whole records
        qint64 Differing = 0;  // records it differs from the file by (BackupComparison)
        QString Damage;        // why it cannot be restored; empty when it can
        // Whether the records appended after it are known exactly (BackupTails); otherwise a
        // restore keeps the records it does not hold (BackupComparison::AppendedAfter).
        bool KnowsAppended = false;
    };
    // Every backup, newest first, against the file as it is now (read under the read lock).
    std::vector<BackupInfo> DescribeBackups() const;
    // Gives the file the content of the backup `name` again, under the write lock throughout: the
    // content now becomes a backup of its own first; then the backup's records, followed by every
    // record appended since the backup was made (known from the backups' notes, BackupTails; for a
    // backup without one, BackupComparison::AppendedAfter), go over the file
    // in place, with a journal, as a delete's do (killed at any point, the next operation finishes
    // it). Throws FatalError naming the backup, changing nothing, when it is missing or damaged.
    void RestoreBackup(const QString& name) const;

    QString Folder() const { return DataFolder; }
    QDateTime BackupTime() const;

private:
    // Builds the loader's message for `errno` at a stage of reading, and throws it.
    using LoadFailure = std::function<void(int stage, int err, qint64 recordNumber)>;

    // The file open under its lock; `fail` throws for an error no case of LockedScoreFile names.
    LockedScoreFile Locked(LockedScoreFile::Access access, const LockedScoreFile::Failure& fail,
                           const QString& stageText = QString()) const;
    // Reads the last `wanted` whole records (fewer when the file holds fewer) into `buffer` with one
    // read under the shared lock, creating the file empty when it is missing; a partial record at the
    // end is left out. Files of more than `mostRecords` records fail with EFBIG. Returns how many
    // records `buffer` holds.
    qint64 ReadLastWhole(qint64 wanted, qint64 mostRecords, std::vector<char>& buffer, const LoadFailure& fail) const;

    QString DataFolder;
    LockedScoreFile::Patience Waiting;
    const Clock* BackupClock = nullptr;
};
