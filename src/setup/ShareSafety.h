#pragma once
#include <QString>

// The look at the share that every start takes: whether this account can record attempts in the
// score file, and whether the mount that holds it carries the file's locks to the other PCs.
class ShareSafety {
public:
    // The score file of `dataFolder` (ending with "/"), its mount read from `mountTable`
    // (/proc/self/mountinfo). Empty when attempts can be recorded safely; otherwise the warning to
    // show, naming the file, the reason and what follows from it. A file another PC holds just
    // now, a mount whose locks are not known either way and a mount table that cannot be read are
    // no reason for a warning.
    static QString StartupWarning(const QString& dataFolder, const QString& mountTable);
    // This process's account, "name (uid)".
    static QString AccountName();
};
