#pragma once
#include "records/BackupTails.h"
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <sys/types.h>

// The dated copies of the score file that every delete and restore keeps in the data folder,
// "成績累積データ_yyyyMMdd-HHmmss.bak" (a later one of the same second "…_2.bak", "…_3.bak"), each
// with its note of where the attempts appended after it begin ("….bak.tails"). The newest five
// are always kept, older ones while they are from the last 30 days and all kept take at most
// 100 MB: a few restores in a row do not push out the backup a teacher needs.
class ScoreBackups {
public:
    static constexpr int KeptAlways = 5;
    static constexpr int KeptDays = 30;
    static constexpr qint64 KeptBytes = 100 * 1000 * 1000;

    // `dataFolder` ends with "/".
    explicit ScoreBackups(const QString& dataFolder);
    // Oldest first: by their stamp, then by their number within the second.
    QStringList Names() const;
    static bool IsBackupName(const QString& name);
    // What backups are ordered by (a later one has a greater key); empty for a name that is not a
    // backup's.
    static QString OrderKey(const QString& name);
    // Writes `content` as a new backup made at `now`, with the permission bits `mode`: written under
    // a passing name, synced, and only then given its own, so that a backup is never a part of its
    // content. Returns its name; throws FatalError naming it when it cannot be made.
    QString Write(const QByteArray& content, mode_t mode, const QDateTime& now) const;
    // Removes the backups the rule above no longer keeps, with their notes, and notes left without
    // their backup. One that cannot be removed stays, doing no harm.
    void Prune(const QDateTime& now) const;

    // The note of the backup `name`; nothing when it has none or it cannot be read whole.
    std::optional<BackupTails> ReadTails(const QString& name) const;
    // Puts the note of the backup `name` in place whole (FileReplacement); 0 or errno.
    int WriteTails(const QString& name, const BackupTails& tails) const;
    // Where the attempts appended after each backup begin in the score file's content `current`
    // (read under its lock, no rewrite cut off): the newest note's, kept only for the backups still
    // there. Nothing when no note can be trusted: the newest backup has none (made by an older
    // version, or its note could not be written) and is not one a rewrite never followed, or the
    // file is shorter than the note says.
    std::optional<BackupTails::Starts> AppendStarts(const QByteArray& current) const;
    // When the backup `name` was made; invalid for a name that is not a backup's.
    static QDateTime MadeAt(const QString& name);
    // The passing copies of a backup, journal, note or restore that was cut off before it got its
    // name (those older than `olderThanSeconds`; 0: all), and the content a restore was to take when
    // no journal speaks of it any more. Only under the write lock, with no journal there. Nothing a
    // journal on the disk names is removed, whatever a share's cache said of it.
    void RemoveUnfinished(int olderThanSeconds = 0) const;
    // The newest backups without a note whose whole content still stands at the front of the score
    // file (`current`): made by a rewrite that was cut off before its journal, so no rewrite followed
    // them. They hold nothing the file does not, and are removed, so that they do not count among
    // the kept ones. Only under the write lock, with no journal there.
    void RemoveOrphans(const QByteArray& current) const;
    // Whether a journal stands beside the score file, found by opening it (a share's cache of the
    // folder may say otherwise), and the files it names.
    bool JournalThere(QStringList* named = nullptr) const;
    // The file whose content a restore gives the score file, while the restore runs.
    static QString RestoreSource();

private:
    QString Folder;
};
