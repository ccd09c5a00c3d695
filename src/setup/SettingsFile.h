#pragma once
#include <QByteArray>
#include <QString>

// A file of settings a teacher saves whole (the pass criteria, the path file), replaced in one step
// (FileReplacement) and a failure told in the words of the teacher's screens.
class SettingsFile {
public:
    // Throws FatalError naming `path` and the system's reason; the old file is then as it was and
    // no passing file is left, unless only the folder's sync failed, which has a message of its own.
    // The new file keeps the old one's permissions.
    static void Replace(const QString& path, const QByteArray& contents);
};
