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
    // Every pupil's account appends to the score file. Without `group` it is made 0666 and its
    // folder 0777; every other file 0644 and folder 0755. With `group` (a group of the system),
    // every folder made goes to that group with the setgid bit (2775) and every file 0664. The
    // modes are set as they stand, whatever the umask.
    static QStringList Create(const QString& dataRoot, const QString& programFolderName,
                              const QString& schoolCode, const QString& schoolName,
                              const QString& group = QString());
    // Which accounts can write the score file of the school in `dataRoot`, as the file's and its
    // folders' owners and modes stand: a line each, for the administrator who made it, with a
    // warning for a folder on the way that keeps the other accounts out.
    static QStringList ScoreFileWriters(const QString& dataRoot, const QString& programFolderName);
};
