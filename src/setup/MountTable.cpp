#include "setup/MountTable.h"
#include <QFile>
#include <QSet>

namespace {

// mountinfo writes a blank, tab, line end and backslash as "\040", "\011", "\012" and "\134".
QString Unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            for (const char c : digits)
                ok = ok && c >= '0' && c <= '7';
            if (ok) {
                out += char(digits.toInt(nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QFile::decodeName(out);
}

QString OptionValue(const QStringList& options, const QString& name)
{
    QString value;
    for (const QString& o : options)
        if (o.startsWith(name + u'='))
            value = o.mid(name.size() + 1);
    return value;
}

bool HasOption(const QStringList& options, const QString& name) { return options.contains(name); }

// File systems on this machine's own disks or memory: their locks are the kernel's own.
const QSet<QString>& LocalTypes()
{
    static const QSet<QString> types{
        QStringLiteral("ext2"),  QStringLiteral("ext3"),    QStringLiteral("ext4"),  QStringLiteral("xfs"),
        QStringLiteral("btrfs"), QStringLiteral("tmpfs"),   QStringLiteral("f2fs"),  QStringLiteral("jfs"),
        QStringLiteral("zfs"),   QStringLiteral("reiserfs"), QStringLiteral("vfat"), QStringLiteral("exfat"),
        QStringLiteral("msdos"), QStringLiteral("ntfs3"),   QStringLiteral("hfsplus"), QStringLiteral("nilfs2"),
        QStringLiteral("bcachefs"), QStringLiteral("ramfs"), QStringLiteral("overlay")};
    return types;
}

bool IsCifs(const QString& type) { return type == QLatin1String("cifs") || type == QLatin1String("smb3"); }
bool IsNfs(const QString& type) { return type == QLatin1String("nfs") || type == QLatin1String("nfs4"); }
bool IsFuse(const QString& type) { return type == QLatin1String("fuse") || type.startsWith(QLatin1String("fuse.")) || type == QLatin1String("fuseblk"); }

} // namespace

std::vector<MountTable::Mount> MountTable::Parse(const QByteArray& mountinfo)
{
    std::vector<Mount> mounts;
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent major:minor root mount-point options [optional fields…] - type source super-options
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 2 >= fields.size())
            continue;
        Mount m;
        m.MountPoint = Unescape(fields[4]);
        m.Type = Unescape(fields[dash + 1]);
        m.Source = Unescape(fields[dash + 2]);
        m.Options = Unescape(fields[5]).split(u',', Qt::SkipEmptyParts);
        if (dash + 3 < fields.size())
            m.FileSystemOptions = Unescape(fields[dash + 3]).split(u',', Qt::SkipEmptyParts);
        if (!m.MountPoint.startsWith(u'/') || m.Type.isEmpty())
            continue;
        mounts.push_back(m);
    }
    return mounts;
}

std::optional<std::vector<MountTable::Mount>> MountTable::Read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A file of the proc file system has no size to read up to: read until it ends.
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = f.read(1 << 16);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return Parse(bytes);
}

std::optional<MountTable::Mount> MountTable::Holding(const std::vector<Mount>& mounts, const QString& path)
{
    std::optional<Mount> best;
    for (const Mount& m : mounts) {
        const bool holds = m.MountPoint == QLatin1String("/") || path == m.MountPoint
            || path.startsWith(m.MountPoint + u'/');
        if (holds && (!best || m.MountPoint.size() >= best->MountPoint.size()))
            best = m;
    }
    return best;
}

MountTable::LockVerdict MountTable::Locks(const Mount& mount)
{
    const QString& type = mount.Type;
    const QStringList o = mount.Options + mount.FileSystemOptions;
    if (IsFuse(type))
        return {LockSharing::NotCarried,
                QStringLiteral("FUSE のマウント（%1）はロックをサーバーに伝えません").arg(type)};
    if (IsCifs(type)) {
        if (HasOption(o, QStringLiteral("nobrl")))
            return {LockSharing::NotCarried, QStringLiteral("nobrl が付いているため、ロックはこのパソコンの中だけで効きます")};
        return {LockSharing::Carried, QStringLiteral("SMB/CIFS（nobrl なし）はロックをサーバーに伝えます")};
    }
    if (IsNfs(type)) {
        const QString localLock = OptionValue(o, QStringLiteral("local_lock"));
        if (HasOption(o, QStringLiteral("nolock")))
            return {LockSharing::NotCarried, QStringLiteral("nolock が付いているため、ロックはこのパソコンの中だけで効きます")};
        if (localLock == QLatin1String("all") || localLock == QLatin1String("posix"))
            return {LockSharing::NotCarried,
                    QStringLiteral("local_lock=%1 のため、ロックはこのパソコンの中だけで効きます").arg(localLock)};
        const QString version = OptionValue(o, QStringLiteral("vers"));
        if (type == QLatin1String("nfs4") || version.startsWith(u'4'))
            return {LockSharing::Carried, QStringLiteral("NFS v4 はロックをサーバーに伝えます")};
        return {LockSharing::Carried,
                QStringLiteral("NFS v%1 はロックをサーバーに伝えます（各パソコンで rpc-statd が動いていること）")
                    .arg(version.isEmpty() ? QStringLiteral("3") : version)};
    }
    if (LocalTypes().contains(type))
        return {LockSharing::Carried, QStringLiteral("このパソコンのファイルシステム（%1）です").arg(type)};
    return {LockSharing::Unknown, QStringLiteral("ファイルシステム %1 がロックをほかのパソコンに伝えるかは分かりません").arg(type)};
}

QStringList MountTable::OptionsThatMatter(const Mount& mount)
{
    QStringList kept;
    for (const QString& o : mount.Options)
        if (o == QLatin1String("ro") || o == QLatin1String("rw"))
            kept << o;
    for (const QString& o : mount.Options + mount.FileSystemOptions) {
        const QString name = o.section(u'=', 0, 0);
        const bool matters = o == QLatin1String("nobrl") || o == QLatin1String("nolock") || name == QLatin1String("vers")
            || name == QLatin1String("local_lock");
        if (matters && !kept.contains(o))
            kept << o;
    }
    return kept;
}

QString MountTable::Describe(const Mount& mount)
{
    QStringList parts{mount.Type, mount.Source};
    const QStringList options = OptionsThatMatter(mount);
    if (!options.isEmpty())
        parts << options.join(u',');
    return QStringLiteral("%1（%2）").arg(mount.MountPoint, parts.join(QStringLiteral("、")));
}
