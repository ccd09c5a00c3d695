#pragma once
#include <QString>

// Fixes the folders and reads the path file and the common file at start-up.
class Configuration {
public:
    // Sets ProgramFolder … SoundFolder, the common settings, the program identity, then loads the
    // pass criteria (and the sound table). Throws FatalError naming the file and the fault.
    // Reads App().DevelopmentLayout, which start-up decides before this runs. Writes no file.
    static void LoadPathsAndConfiguration();
    static void SetProgramIdentity();
    // The folder the program behaves as if its executable were in (--program-folder); empty means
    // the executable's own folder.
    static QString ProgramFolderOverride;

    // The program folder as an absolute path ending with "/".
    static QString ProgramFolderPath();
    // The data root of the development tree: the program path up to and including its first "/",
    // then "KD0311/ソルネなし/".
    static QString DevelopmentDataRoot(const QString& programFolder);
    // Item 2 of the common file: a leading non-zero five-character number is the school code and
    // the rest the name; otherwise no code and the whole text is the name.
    static void SplitSchoolText(const QString& text, QString* code, QString* name);
};
