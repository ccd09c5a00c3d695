#pragma once
#include <QString>

// --check-data-root: looks at this PC's way to the school's share, without showing any screen and
// without changing anything: the data root and the mount that holds it, whether that mount
// carries the score file's locks to the other PCs, whether this account can write the score file
// and take its lock, whether the configuration, criteria and roster read cleanly, the free space,
// and what the score file holds. One line a check, each with its verdict.
class DataRootCheckCommand {
public:
    // Returns the exit status: 0 when nothing found would lose attempts, 1 when something would
    // (no write access, locks that stay on this PC, a share that cannot be used).
    static int Run(const QString& programFolderOverride,
                   const QString& mountTable = QStringLiteral("/proc/self/mountinfo"));
};
