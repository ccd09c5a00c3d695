#pragma once
#include "records/ScoreRecord.h"
#include <QString>

// "成績累積データ.dat" in the data folder, shared by the classroom's machines.
// Writers hold a whole-file write lock, readers a read lock; a lock held by another process is
// waited out a second at a time (App().Wait keeps the screen responsive). Every operation opens,
// uses and closes the file.
class ScoreFile {
public:
    static QString Path();
    // "成績累積データtemp.dat": a copy of the file kept while a record is being removed.
    static QString TempPath();
    // Creates the file empty when it is missing. Throws FatalError when it cannot be opened; a missing
    // data folder (a lost share) is tried four times, five seconds apart, first.
    static void OpenScoreFile();
    // Appends one record built from App(): today, now, CurrentPupil, CurrentLevel, RecordedSeconds,
    // SchoolCode. A partial record at the end is overwritten.
    static void AppendScoreRecord();
    static void Append(const ScoreRecord& record);
    // Rebuilds App().Scores from the last 20000 whole records (one read). Records whose pupil lies
    // outside 0–5000 or whose level lies outside 0–35 are damaged and left out entirely.
    static void LoadScoreRecords();
    static qint32 RecordCount();
    // Record n counted from 1. Throws FatalError when there is no record n.
    static ScoreRecord ReadRecord(qint32 n);
    static void WriteRecord(qint32 n, const ScoreRecord& record);
    // Records after n move up by one; a partial record at the end is dropped.
    static void RemoveRecord(qint32 n);
};
