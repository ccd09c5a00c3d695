#include "setup/NewSchool.h"
#include "base/FatalError.h"
#include "base/SystemError.h"
#include "records/PassCriteriaFile.h"
#include "records/ScoreFile.h"
#include "roster/RosterFile.h"
#include "setup/Configuration.h"
#include "setup/InstallationWriter.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <optional>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString SoundFolder = QStringLiteral("音フォルダ");
// The names as the readers of these files know them; asked for when needed, since static
// initialisation across files has no order.
QString CommonFile() { return Configuration::CommonFilePath(QString()); }
QString RosterFileName() { return RosterFile::Path(QString()); }
QString CriteriaFile() { return PassCriteriaFile::Path(QString()); }
QString ScoreFileName() { return ScoreFile(QString()).Path(); }

QString Shown(const QString& path) { return QDir::toNativeSeparators(QDir::cleanPath(path)); }

// Renames that can be taken back, newest first, when a later one fails.
class Moves {
public:
    ~Moves()
    {
        if (Kept)
            return;
        for (auto it = Done.crbegin(); it != Done.crend(); ++it)
            std::rename(QFile::encodeName(it->second).constData(), QFile::encodeName(it->first).constData());
    }
    void Move(const QString& from, const QString& to)
    {
        // Checked just before: the folder was searched for these names, and a file that appeared
        // since must not be replaced.
        if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
            throw FatalError(QStringLiteral("%1 が作成中に現れました。上書きしないため、何も作成しませんでした。").arg(Shown(to)));
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            throw FatalError(QStringLiteral("%1 を作成できません（%2）").arg(Shown(to), SystemError::Describe(errno)));
        Done.emplace_back(from, to);
    }
    bool Kept = false;

private:
    std::vector<std::pair<QString, QString>> Done;
};

// The owner group and modes of what a new school is made of.
struct Permissions {
    std::optional<gid_t> Group;

    mode_t FolderMode(bool scoreFolder) const
    {
        if (Group)
            return S_ISGID | 0775;
        return scoreFolder ? 0777 : 0755;
    }
    mode_t FileMode(bool scoreFile) const
    {
        if (Group)
            return 0664;
        return scoreFile ? 0666 : 0644;
    }
    // Gives `path` the group (when there is one) and then `mode`: a change of group may clear the
    // setgid bit, so the mode comes last.
    void Apply(const QString& path, mode_t mode) const
    {
        const QByteArray name = QFile::encodeName(path);
        if (Group && ::chown(name.constData(), uid_t(-1), *Group) != 0)
            throw FatalError(QStringLiteral("%1 をグループ「%2」のものにできません（%3）。このグループのメンバーか、"
                                            "root で実行してください。何も作成しませんでした。")
                                 .arg(Shown(path), GroupName(*Group), SystemError::Describe(errno)));
        if (::chmod(name.constData(), mode) != 0)
            throw FatalError(QStringLiteral("%1 の許可を設定できません（%2）。何も作成しませんでした。")
                                 .arg(Shown(path), SystemError::Describe(errno)));
    }
    static QString GroupName(gid_t gid)
    {
        const struct group* g = ::getgrgid(gid);
        return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
    }
};

Permissions PermissionsFor(const QString& group)
{
    Permissions p;
    if (group.isEmpty())
        return p;
    const struct group* g = ::getgrnam(group.toLocal8Bit().constData());
    if (!g)
        throw FatalError(QStringLiteral("グループ「%1」はこのパソコンにありません。何も作成しませんでした。\n"
                                        "getent group で名前を確かめるか、先に groupadd で作ってください。")
                             .arg(group));
    p.Group = g->gr_gid;
    return p;
}

// The accounts whose primary or supplementary group is `gid`.
QStringList GroupMembers(gid_t gid)
{
    QStringList members;
    if (const struct group* g = ::getgrgid(gid))
        for (char** m = g->gr_mem; m && *m; ++m)
            members << QString::fromLocal8Bit(*m);
    ::setpwent();
    while (const struct passwd* pw = ::getpwent())
        if (pw->pw_gid == gid)
            members << QString::fromLocal8Bit(pw->pw_name);
    ::endpwent();
    members.removeDuplicates();
    members.sort();
    return members;
}

QString ModeText(mode_t mode) { return QStringLiteral("%1").arg(uint(mode & 07777), 4, 8, QChar(u'0')); }

} // namespace

QStringList NewSchool::Files(const QString& programFolderName)
{
    return {CommonFile(), RosterFileName(), SoundFolder,
            programFolderName + "/" + CriteriaFile(), programFolderName + "/" + ScoreFileName()};
}

bool NewSchool::ValidSchoolCode(const QString& code)
{
    static const QRegularExpression fiveDigits(QStringLiteral("^[0-9]{5}$"));
    return fiveDigits.match(code).hasMatch() && code != QStringLiteral("00000");
}

QStringList NewSchool::Create(const QString& dataRoot, const QString& programFolderName,
                              const QString& schoolCode, const QString& schoolName, const QString& group)
{
    if (!QDir::isAbsolutePath(dataRoot))
        throw FatalError(QStringLiteral("フォルダ %1 は絶対パスで指定してください").arg(Shown(dataRoot)));
    if (!ValidSchoolCode(schoolCode))
        throw FatalError(QStringLiteral("学校コード「%1」は使えません。成績の記録には5バイトしか入らないため、"
                                        "半角数字5桁（00000 以外）で指定してください。").arg(schoolCode));
    if (schoolName.trimmed().isEmpty() || !InstallationWriter::FitsQuotedItem(schoolName))
        throw FatalError(QStringLiteral("学校名「%1」は共通データ.txt に書けません。シフトJIS（CP932）で書ける文字で、"
                                        "「\"」や改行を含まない名前にしてください。").arg(schoolName));

    const Permissions permissions = PermissionsFor(group);

    const QString target = QDir::cleanPath(dataRoot);
    const QFileInfo targetInfo(target);
    // Each PC's path file names this folder, and the path file only holds CP932 text.
    if (!InstallationWriter::FitsQuotedItem(target))
        throw FatalError(QStringLiteral("フォルダ名 %1 にはパスデータ.txt に書けない文字があります").arg(Shown(target)));
    if (targetInfo.exists() && !targetInfo.isDir())
        throw FatalError(QStringLiteral("%1 はフォルダではありません").arg(Shown(target)));

    const QStringList files = Files(programFolderName);
    QStringList found;
    for (const QString& f : files) {
        const QString path = target + "/" + f;
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            found << "  " + Shown(path);
    }
    if (!found.isEmpty())
        throw FatalError(QStringLiteral("%1 には既に学校のデータがあります。上書きしないため、何も作成しませんでした。\n%2")
                             .arg(Shown(target), found.join('\n')));
    const QFileInfo dataFolderInfo(target + "/" + programFolderName);
    if ((dataFolderInfo.exists() || dataFolderInfo.isSymLink()) && !dataFolderInfo.isDir())
        throw FatalError(QStringLiteral("%1 はフォルダではありません。上書きしないため、何も作成しませんでした。")
                             .arg(Shown(dataFolderInfo.filePath())));

    // Everything is made in a hidden folder on the same file system as the target, so that it takes
    // its place by renames: beside a new target, inside an existing one (often the mount point of
    // the school's share, which cannot be renamed over).
    const bool existing = targetInfo.exists();
    const QString parent = existing ? target : targetInfo.absolutePath();
    if (!QFileInfo(parent).isDir())
        throw FatalError(QStringLiteral("フォルダ %1 がありません").arg(Shown(parent)));
    QTemporaryDir work(parent + "/." + (existing ? QStringLiteral("zome2") : targetInfo.fileName()) + ".new-XXXXXX");
    if (!work.isValid())
        throw FatalError(QStringLiteral("フォルダ %1 に書き込めません（%2）").arg(Shown(parent), work.errorString()));
    const QString made = work.path() + "/";
    const QString dataFolder = made + programFolderName + "/";
    const QString soundFolder = made + SoundFolder + "/";
    InstallationWriter::MakeFolder(dataFolder);
    InstallationWriter::MakeFolder(soundFolder);
    InstallationWriter::WriteText(made + CommonFile(), InstallationWriter::CommonFileText(4, schoolCode, schoolName));
    InstallationWriter::WriteText(RosterFile::Path(made), InstallationWriter::TeacherRosterLine());
    InstallationWriter::WriteText(dataFolder + CriteriaFile(), InstallationWriter::StartingCriteriaText());
    InstallationWriter::WriteBytes(dataFolder + ScoreFileName(), QByteArray());
    InstallationWriter::WriteDefaultSounds(soundFolder);

    // The modes as they must stand for every pupil's account, not as the umask left them.
    for (const QString& file : QDir(soundFolder).entryList(QDir::Files))
        permissions.Apply(soundFolder + file, permissions.FileMode(false));
    for (const QString& file : {made + CommonFile(), RosterFile::Path(made), dataFolder + CriteriaFile()})
        permissions.Apply(file, permissions.FileMode(false));
    permissions.Apply(dataFolder + ScoreFileName(), permissions.FileMode(true));
    permissions.Apply(soundFolder, permissions.FolderMode(false));
    permissions.Apply(dataFolder, permissions.FolderMode(true));

    if (!existing) {
        // A temporary folder is private; the school's folder is for every pupil's account.
        permissions.Apply(work.path(), permissions.FolderMode(false));
        Moves moves;
        moves.Move(work.path(), target);
        moves.Kept = true;
        work.setAutoRemove(false);
        return files;
    }
    Moves moves;
    for (const QString& entry : {CommonFile(), RosterFileName(), SoundFolder})
        moves.Move(made + entry, target + "/" + entry);
    if (QFileInfo(target + "/" + programFolderName).isDir()) {
        for (const QString& file : {CriteriaFile(), ScoreFileName()})
            moves.Move(dataFolder + file, target + "/" + programFolderName + "/" + file);
    } else {
        moves.Move(made + programFolderName, target + "/" + programFolderName);
    }
    moves.Kept = true;
    return files;
}

QStringList NewSchool::ScoreFileWriters(const QString& dataRoot, const QString& programFolderName)
{
    const QString root = QDir::cleanPath(dataRoot);
    const QString folder = root + "/" + programFolderName;
    const QString file = folder + "/" + ScoreFileName();
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return {QStringLiteral("成績ファイル %1 を調べられません（%2）").arg(Shown(file), SystemError::Describe(errno))};

    const auto ownerName = [](uid_t uid) {
        const struct passwd* pw = ::getpwuid(uid);
        return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
    };
    QStringList lines;
    QString writers;
    bool othersWrite = false;
    bool groupWrites = false;
    if (st.st_mode & S_IWOTH) {
        writers = QStringLiteral("すべてのアカウント");
        othersWrite = true;
    } else if (st.st_mode & S_IWGRP) {
        const QStringList members = GroupMembers(st.st_gid);
        writers = QStringLiteral("グループ「%1」のアカウント（%2）と root")
                      .arg(Permissions::GroupName(st.st_gid),
                           members.isEmpty() ? QStringLiteral("メンバーはまだいません") : members.join(QStringLiteral("、")));
        groupWrites = true;
    } else {
        writers = QStringLiteral("%1 と root だけ").arg(ownerName(st.st_uid));
    }
    lines << QStringLiteral("成績ファイルに書き込めるアカウント: %1（%2 %3）").arg(writers, Shown(file), ModeText(st.st_mode));
    if (!othersWrite && !groupWrites)
        lines << QStringLiteral("注意: 生徒のアカウントでは成績を記録できません。");

    // Every folder on the way must let those accounts through.
    for (const QString& f : {root, folder}) {
        struct stat fs {};
        if (::stat(QFile::encodeName(f).constData(), &fs) != 0)
            continue;
        const bool through = othersWrite ? (fs.st_mode & S_IXOTH)
                                         : groupWrites && (fs.st_mode & (fs.st_gid == st.st_gid ? S_IXGRP : S_IXOTH));
        if ((othersWrite || groupWrites) && !through)
            lines << QStringLiteral("注意: フォルダ %1（%2）はほかのアカウントからは開けません。chmod で開けてください。")
                         .arg(Shown(f), ModeText(fs.st_mode));
    }
    return lines;
}
