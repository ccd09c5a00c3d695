#pragma once
#include <QString>

// --export-results FILE: reads the configuration, the roster and the score file and writes the
// result tables to FILE without showing any screen.
class ExportCommand {
public:
    // Returns the process exit code: 0 on success; errors go to standard error. A lock that another
    // machine keeps on the score file is waited for `giveUpSeconds` at most.
    static int Run(const QString& programFolderOverride, const QString& file, int giveUpSeconds = 60);
};
