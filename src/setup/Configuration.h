#pragma once
#include "setup/Installation.h"
#include <QString>

// Fixes the folders and reads the path file and the common file at start-up.
class Configuration {
public:
    // The folders, the common settings and the program identity for a program in `programFolder`
    // (see ProgramFolderPath). Throws FatalError naming the file and the fault. Writes no file.
    static Installation LoadPathsAndConfiguration(const QString& programFolder, bool developmentLayout);
    // The data root the path file of a program in `programFolder` names (ending with "/"). Throws
    // FatalError when the path file cannot be read. `missingNote`, when given, gets what to add to a
    // message that a file of the data root is missing.
    static QString ReadDataRoot(const QString& programFolder, bool developmentLayout, QString* missingNote = nullptr);
    // Program title and switches.
    static void SetProgramIdentity(Installation& installation);

    // The program folder as an absolute path ending with "/": `override` (--program-folder) when it
    // is given, else the executable's own folder.
    static QString ProgramFolderPath(const QString& override = QString());
    // The path file of a program in `programFolder`: "パスデータ.txt" in the folder's parent.
    static QString PathFilePath(const QString& programFolder);
    // The common file of a data root (ending with "/").
    static QString CommonFilePath(const QString& dataRoot);
    // The data root of the development tree: the program path up to and including its first "/",
    // then "KD0311/ソルネなし/".
    static QString DevelopmentDataRoot(const QString& programFolder);
    // Item 2 of the common file: a leading non-zero five-character number is the school code and
    // the rest the name; otherwise no code and the whole text is the name.
    static void SplitSchoolText(const QString& text, QString* code, QString* name);
};
