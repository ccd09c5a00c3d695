#pragma once
#include <QString>

// --set-data-root DIR: points this installation at a school's shared data root by writing its path
// file "パスデータ.txt" (beside the program folder; where that is a link, the file it links to).
class DataRootCommand {
public:
    // Returns the process exit code: 0 when the path file is written, 1 otherwise (the message on
    // standard error, and the old path file unchanged).
    static int Run(const QString& programFolderOverride, const QString& folder);
};
