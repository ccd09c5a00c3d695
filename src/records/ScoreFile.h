#pragma once
#include "records/ScoreRecord.h"
#include <QString>

// "成績累積データ.dat" in the data folder, shared by the classroom's machines.
// Writers hold a whole-file write lock, readers a read lock; a lock held by another process is
// waited out a second at a time (App().Wait keeps the screen responsive).
class ScoreFile {
public:
    static QString Path();
    // Creates the file empty when it is missing. Throws FatalError when it cannot be opened.
    static void OpenScoreFile();
    // Appends one record built from App(): today, now, CurrentPupil, CurrentLevel, RecordedSeconds,
    // SchoolCode. A partial record at the end is overwritten.
    static void AppendScoreRecord();
    static void Append(const ScoreRecord& record);
    // Rebuilds App().Scores from the last 20000 whole records (one read).
    static void LoadScoreRecords();
    static qint32 RecordCount();
    // Record n counted from 1.
    static ScoreRecord ReadRecord(qint32 n);
    static void WriteRecord(qint32 n, const ScoreRecord& record);
    static void RemoveRecord(qint32 n);
};
