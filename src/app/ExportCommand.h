#pragma once
#include <QString>

struct Environment;

// --export-results FILE: reads the configuration, the roster and the score file and writes the
// result tables to FILE without showing any screen.
class ExportCommand {
public:
    // Returns the process exit code: 0 on success; errors go to standard error. A lock that another
    // machine keeps on the score file is waited for `giveUpSeconds` at most.
    // `env` gives the clock and the lock wait; the notice of a long wait is set here.
    static int Run(Environment& env, const QString& programFolderOverride, const QString& file, int giveUpSeconds = 60);
};
