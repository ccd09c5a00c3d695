#pragma once
#include <QString>
#include <QtGlobal>

// What the path file and the common file decide, with the program's identity.
// Every folder ends with "/".
struct Installation {
    QString ProgramFolder;
    QString DataRoot;
    QString ProgramFolderName;
    QString DataFolder;
    QString SoundFolder;
    int SchoolYearStartMonth = 0;
    QString SchoolName;
    QString SchoolCode;
    int RosterOption = 0;

    QString ProgramTitle;
    qint16 AllLevelsOpen = 0;
};
