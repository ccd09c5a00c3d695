#pragma once
#include <QByteArray>
#include <QString>

// Writes the result tables to a file without showing any screen (--export-results FILE):
// UTF-8 with a byte-order mark, CR LF, RFC 4180 quoting, one row per pupil and level with any result.
class ResultExport {
public:
    static const char* const Header;
    // Reads the configuration, the roster and the score file, then writes `file`.
    // Returns the process exit code: 0 on success; errors go to standard error.
    static int Write(const QString& file);
    // The file's bytes for the tables now in App().
    static QByteArray Build();
};
