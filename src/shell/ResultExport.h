#pragma once
#include <QString>

// Writes the result tables to a file without showing any screen (--export-results FILE).
class ResultExport {
public:
    // Returns the process exit code: 0 on success.
    static int Write(const QString& file);
};
