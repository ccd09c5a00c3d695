#pragma once
#include <QString>

// --new-school DIR --school-name NAME --school-code CODE [--group GROUP]: creates a new school's
// shared data root in DIR for this installation's program, without showing any screen, and says
// which accounts can write its score file.
class NewSchoolCommand {
public:
    // Returns the process exit code: 0 when every file is made, 1 otherwise (the message on
    // standard error, and nothing made).
    static int Run(const QString& programFolderOverride, const QString& folder, const QString& schoolName,
                   const QString& schoolCode, const QString& group);
};
