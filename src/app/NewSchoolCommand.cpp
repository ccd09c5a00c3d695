#include "app/NewSchoolCommand.h"
#include "base/FatalError.h"
#include "setup/Configuration.h"
#include "setup/NewSchool.h"
#include <QDir>
#include <cstdio>

int NewSchoolCommand::Run(const QString& programFolderOverride, const QString& folder, const QString& schoolName,
                          const QString& schoolCode, const QString& group)
{
    const QString programFolder = Configuration::ProgramFolderPath(programFolderOverride);
    const QString programFolderName = QDir(programFolder).dirName();
    const QString root = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    try {
        const QStringList made = NewSchool::Create(root, programFolderName, schoolCode, schoolName, group);
        std::printf("%s\n", QStringLiteral("学校のデータを %1 に作成しました:\n  %2\n"
                                           "名簿には「先生」だけがいます。学校の名簿と音はこのフォルダに置いてください。\n"
                                           "各パソコンでは、次のようにしてこのフォルダを使うようにし、確かめます:\n"
                                           "  sudo zome2 --set-data-root %1\n"
                                           "  zome2 --check-data-root\n"
                                           "%3")
                                .arg(QDir::toNativeSeparators(root), made.join(QStringLiteral("\n  ")),
                                     NewSchool::ScoreFileWriters(root, programFolderName).join(u'\n'))
                                .toUtf8().constData());
        if (std::fflush(stdout) != 0)
            return 1;
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", e.Message.toUtf8().constData());
        return 1;
    }
    return 0;
}
