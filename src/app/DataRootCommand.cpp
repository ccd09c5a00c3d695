#include "app/DataRootCommand.h"
#include "base/FatalError.h"
#include "records/PassCriteriaFile.h"
#include "setup/Configuration.h"
#include "setup/InstallationWriter.h"
#include "setup/SettingsFile.h"
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

int Fail(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return 1;
}

} // namespace

int DataRootCommand::Run(const QString& programFolderOverride, const QString& folder)
{
    const QString programFolder = Configuration::ProgramFolderPath(programFolderOverride);
    const QString programFolderName = QDir(programFolder).dirName();
    const QString pathFile = Configuration::PathFilePath(programFolder);
    const QString dataRoot = QDir::cleanPath(QDir::current().absoluteFilePath(folder)) + "/";

    // The program stops at start-up without these; better to hear it now than on every PC later.
    for (const QString& needed : {Configuration::CommonFilePath(dataRoot),
                                  PassCriteriaFile::Path(dataRoot + programFolderName + "/")}) {
        if (!QFileInfo(needed).isFile())
            return Fail(QStringLiteral("%1 がありません。共有フォルダがマウントされているか確かめるか、"
                                       "先に zome2 --new-school で学校のデータを作成してください。")
                            .arg(Shown(needed)));
    }
    if (!InstallationWriter::FitsQuotedItem(dataRoot))
        return Fail(QStringLiteral("フォルダ名 %1 にはパスデータ.txt に書けない文字があります").arg(Shown(dataRoot)));

    // The package keeps the path file under /etc and links it beside the program folder: the link
    // stays, the file it names is replaced.
    const QFileInfo info(pathFile);
    const QString target = info.isSymLink() ? info.symLinkTarget() : pathFile;
    try {
        SettingsFile::Replace(target, InstallationWriter::EncodeText(InstallationWriter::PathFileText(dataRoot)));
    } catch (const FatalError& e) {
        const QString folderOfTarget = QFileInfo(target).absolutePath();
        if (::access(QFile::encodeName(folderOfTarget).constData(), W_OK) != 0 && errno == EACCES)
            return Fail(e.Message + QStringLiteral("\nこのファイルを書き換えるには管理者の権限が要ります:\n  sudo zome2 --set-data-root %1")
                                        .arg(Shown(QDir::cleanPath(dataRoot))));
        return Fail(e.Message);
    }
    std::printf("%s\n", QStringLiteral("パスデータ.txt（%1）に %2 を書きました。次に起動したときから、このフォルダを使います。")
                            .arg(Shown(target), Shown(dataRoot))
                            .toUtf8().constData());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
