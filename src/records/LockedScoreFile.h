#pragma once
#include "base/PosixFile.h"
#include "base/ResponsiveWait.h"
#include <QString>
#include <functional>

// The score file open, with its whole-file fcntl lock held: a read lock for readers, the write lock
// for writers. A lock another machine holds is waited out a second at a time; a data folder that is
// missing (a share that dropped out) is given time to come back. Once the lock is held, a rewrite
// that was cut off (its journal beside the file, see ScoreRewrite) is finished first, so that
// nobody reads a half-rewritten file or appends to it. The lock goes with Unlock, or when the file
// is closed.
class LockedScoreFile {
public:
    enum class Access { Read, Write };
    // How long and how the file is waited for.
    struct Patience {
        WaitFunction Wait;
        // Hears the seconds waited after each second of waiting for the lock, and 0 once it is had.
        std::function<void(int secondsWaited)> Notice;
        // Gives up (FatalError) once the lock has been waited for this many seconds; 0 waits on.
        int GiveUpSeconds = 0;
        // How often a missing data folder is tried, five seconds apart.
        int NotFoundTries = 4;
    };
    // Builds the message for an error of opening or locking that no case here names, and throws it.
    using Failure = std::function<void(int err)>;

    // Opens the score file `path` in `folder` (ending with "/") and takes its lock. `stageText` is
    // shown in the message about a missing data folder. Throws ScoreFile::Unreachable when the file
    // cannot be reached, written (Access::Write) or made, or a cut-off rewrite cannot be finished;
    // FatalError when the path is no plain file or the lock is given up on; else what `fail` throws.
    LockedScoreFile(const QString& folder, const QString& path, const Patience& patience, Access access,
                    const QString& stageText, const Failure& fail);
    // Opens the score file as above, without taking its lock.
    static PosixFile Open(const QString& folder, const QString& path, const Patience& patience, Access access,
                          const QString& stageText, const Failure& fail);

    const PosixFile& File() const { return Handle; }
    // Lets go of the lock; the file stays open.
    void Unlock() const;
    // Closes the file now (letting go of the lock); 0 or errno.
    int Close() { return Handle.Close(); }

private:
    PosixFile Handle;
};
