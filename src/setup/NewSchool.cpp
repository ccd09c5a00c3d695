#include "setup/NewSchool.h"
#include "base/FatalError.h"
#include "records/PassCriteriaFile.h"
#include "records/ScoreFile.h"
#include "roster/RosterFile.h"
#include "setup/Configuration.h"
#include "setup/InstallationWriter.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
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
            throw FatalError(QStringLiteral("%1 を作成できません（%2）").arg(Shown(to), QString::fromLocal8Bit(std::strerror(errno))));
        Done.emplace_back(from, to);
    }
    bool Kept = false;

private:
    std::vector<std::pair<QString, QString>> Done;
};

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
                              const QString& schoolCode, const QString& schoolName)
{
    if (!QDir::isAbsolutePath(dataRoot))
        throw FatalError(QStringLiteral("フォルダ %1 は絶対パスで指定してください").arg(Shown(dataRoot)));
    if (!ValidSchoolCode(schoolCode))
        throw FatalError(QStringLiteral("学校コード「%1」は使えません。成績の記録には5バイトしか入らないため、"
                                        "半角数字5桁（00000 以外）で指定してください。").arg(schoolCode));
    if (schoolName.trimmed().isEmpty() || !InstallationWriter::FitsQuotedItem(schoolName))
        throw FatalError(QStringLiteral("学校名「%1」は共通データ.txt に書けません。シフトJIS（CP932）で書ける文字で、"
                                        "「\"」や改行を含まない名前にしてください。").arg(schoolName));

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

    if (!existing) {
        // A temporary folder is private; the school's folder is for every pupil's account.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::chmod(QFile::encodeName(work.path()).constData(), 0777 & ~mask) != 0)
            throw FatalError(QStringLiteral("フォルダ %1 を作成できません（%2）")
                                 .arg(Shown(target), QString::fromLocal8Bit(std::strerror(errno))));
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
