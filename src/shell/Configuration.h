#pragma once
#include <QString>

// Fixes the folders and reads the path file and the common file at start-up.
class Configuration {
public:
    // Sets ProgramFolder … SoundFolder, the common settings, the program identity, then loads the
    // pass criteria (and the sound table). Throws FatalError naming the file and the fault.
    static void LoadPathsAndConfiguration();
    static void SetProgramIdentity();
    // The folder the program behaves as if its executable were in (--program-folder); empty means
    // the executable's own folder.
    static QString ProgramFolderOverride;
};
