#pragma once
#include <QByteArray>
#include <QString>

// Replaces a file in one step: the new contents go to a temporary file beside it, are flushed to
// the disk, and only then take the file's name. A crash, a full disk or a lost share leaves either
// the old file or the new one, never half of one.
class FileReplacement {
public:
    // Throws FatalError naming `path` and the system's reason; the old file is then as it was and
    // no temporary file is left. The new file keeps the old one's permissions.
    static void Replace(const QString& path, const QByteArray& contents);
};
