#pragma once
#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

// Puts new contents in place of a file in one step: they go to a passing file beside it, are synced
// to the disk, take the file's name by rename(2), and the folder is synced so that the new name
// survives a power cut too. A crash, a full disk or a lost share leaves either the old file or the
// new one under the name, never a part of one. Nothing throws: the result says which step failed.
class FileReplacement {
public:
    enum class Step { None, Create, Write, Mode, Sync, Close, Rename, SyncFolder };
    struct Result {
        int Error = 0;              // the errno of the step that failed; 0 when every step was done
        Step FailedAt = Step::None;
        bool Done() const { return Error == 0; }
        // Whether the new contents stand under the name: every step done, or all but the folder's
        // sync (the name may then still go back to the old file at a power cut).
        bool Replaced() const { return Error == 0 || FailedAt == Step::SyncFolder; }
    };
    struct Options {
        // The passing file is the file's path, this, and six characters of mkstemp.
        QByteArray PassingMark = ".new-";
        // The new file's permission bits. Without them, the file takes the old file's owner and
        // bits where this process may give them, or 0666 less the umask when there is no old file.
        std::optional<mode_t> Mode;
    };

    // Replaces `path` with `contents`. When a step before the rename fails, the old file is as it was
    // and no passing file is left.
    static Result Replace(const QString& path, const QByteArray& contents, const Options& options);
    static Result Replace(const QString& path, const QByteArray& contents);
    // The steps before the rename: `contents` whole and synced in a new passing file beside `path`,
    // whose name `passing` gets, for a caller that gives it its name another way. On failure no
    // passing file is left.
    static Result WriteBeside(const QString& path, const QByteArray& contents, const Options& options,
                              QByteArray& passing);
};
