#pragma once
#include <QString>
#include <QtGlobal>

// What a teacher setting up a PC needs to know of the score file, found without waiting and
// without changing it: whether this account can write it and take its lock, and what it holds.
class ScoreFileProbe {
public:
    enum class Writing {
        Writable,  // opened for writing, the write lock taken and released at once
        Busy,      // opened for writing; another PC holds the lock just now
        Missing,   // not there; its folder takes a new file, so it is made at the first start
        NoAccess,  // this account cannot write it (or make it): `Error` says why
        NoLocks,   // opened for writing, but the file system refuses locks: `Error` says why
    };
    struct WriteCheck {
        Writing State = Writing::NoAccess;
        int Error = 0;
    };
    static WriteCheck ProbeWriting(const QString& path);

    struct Contents {
        qint64 Records = 0;       // whole records
        qint64 TrailingBytes = 0; // a partial record at the end
        qint64 Damaged = 0;       // pupil outside 0–5000 or level outside 0–35
        int Error = 0;            // the file could not be read (0: read)
    };
    // Reads the whole file once, a megabyte at a time, without a lock: a count for a report.
    static Contents Count(const QString& path);
};
