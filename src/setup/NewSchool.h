#pragma once
#include <QString>
#include <QStringList>

// A new school's shared data root: the common file, a roster holding only the teacher, the pass
// criteria of levels 1–3, the default sounds and an empty score file.
class NewSchool {
public:
    // The files a data root holds for a program whose folder is named `programFolderName`, relative
    // to the data root. A folder that holds any of them already belongs to a school.
    static QStringList Files(const QString& programFolderName);
    // Five half-width digits, not all zero: what the common file reads as a code and what fits the
    // score record's five bytes.
    static bool ValidSchoolCode(const QString& code);

    // Creates the files in `dataRoot` (absolute; a new folder, or an existing one that holds none of
    // Files()). Returns Files(). Throws FatalError with a message naming the folder or file; nothing
    // is then left behind and nothing that was there is changed.
    static QStringList Create(const QString& dataRoot, const QString& programFolderName,
                              const QString& schoolCode, const QString& schoolName);
};
