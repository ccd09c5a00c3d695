#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The mounts of this machine as the kernel lists them (/proc/self/mountinfo), and whether a mount
// carries fcntl locks to the machine that holds the files: the score file is only safe to share
// where one PC's lock keeps every other PC waiting.
class MountTable {
public:
    struct Mount {
        QString MountPoint;
        QString Type;    // "ext4", "cifs", "nfs4", "fuse.sshfs", …
        QString Source;  // "//server/share", "server:/export", "/dev/sda1"
        QStringList Options;           // the mount's own: "rw", "nosuid", …
        QStringList FileSystemOptions; // the file system's: "vers=3.0", "nobrl", "local_lock=none", …
    };

    enum class LockSharing { Carried, NotCarried, Unknown };
    struct LockVerdict {
        LockSharing Sharing = LockSharing::Unknown;
        QString Reason; // in Japanese, for the lines a teacher reads
    };

    // The mounts in the order listed; lines that do not read as mounts are left out.
    static std::vector<Mount> Parse(const QByteArray& mountinfo);
    // Reads and parses `path`; nothing when it cannot be read.
    static std::optional<std::vector<Mount>> Read(const QString& path = QStringLiteral("/proc/self/mountinfo"));
    // The mount that holds `path` (absolute, links resolved): the longest mount point that is
    // `path` or one of its folders; of two mounts on one point, the later one, which covers the other.
    static std::optional<Mount> Holding(const std::vector<Mount>& mounts, const QString& path);
    static LockVerdict Locks(const Mount& mount);
    // The options of `mount` that decide its locks, after ro or rw: "rw", "vers=3.0", "nobrl", …
    static QStringList OptionsThatMatter(const Mount& mount);
    // "mount point（type、source、options）".
    static QString Describe(const Mount& mount);
};
