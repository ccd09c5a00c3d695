#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <sys/types.h>

// The dated copies of the score file that every delete keeps in the data folder,
// "成績累積データ_yyyyMMdd-HHmmss.bak" (a later one of the same second "…_2.bak", "…_3.bak"), the
// newest few of them.
class ScoreBackups {
public:
    static constexpr int Kept = 5;

    // `dataFolder` ends with "/".
    explicit ScoreBackups(const QString& dataFolder);
    // Oldest first: by their stamp, then by their number within the second.
    QStringList Names() const;
    static bool IsBackupName(const QString& name);
    // Writes `content` as a new backup made at `now`, with the permission bits `mode`: written under
    // a passing name, synced, and only then given its own, so that a backup is never a part of its
    // content. Returns its name; throws FatalError naming it when it cannot be made.
    QString Write(const QByteArray& content, mode_t mode, const QDateTime& now) const;
    // Keeps the newest Kept. One that cannot be removed stays, doing no harm.
    void Prune() const;
    // When the backup `name` was made; invalid for a name that is not a backup's.
    static QDateTime MadeAt(const QString& name);
    // The passing copies of a backup, journal or restore that was cut off before it got its name,
    // and the content a restore was to take when no journal speaks of it any more. Only under the
    // write lock, with no journal there.
    void RemoveUnfinished() const;
    // The file whose content a restore gives the score file, while the restore runs.
    static QString RestoreSource();
    // Writes `bytes` to the file `name` of the data folder with the permission bits `mode`: under a
    // passing name, synced, then renamed over `name`, so that the name only ever stands for a whole
    // file. 0 or errno; nothing is left under the passing name.
    int WriteWhole(const QString& name, const QByteArray& bytes, mode_t mode) const;
    // A new empty file in the data folder under a passing name starting with `prefix` (a name
    // RemoveUnfinished knows), its descriptor or -errno; `name` gets its path.
    int CreatePassing(const QString& prefix, QByteArray& name) const;

private:
    QString Folder;
};
