#include "setup/Configuration.h"
#include "base/FatalError.h"
#include "base/ItemReader.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr int kItemsPerFile = 10;

QString WithSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// Reads the first ten items of a configuration file; both files must hold at least ten. `note` is
// added to a message that the file is missing.
QStringList ReadTenItems(const QString& path, const QString& what, const QString& note = QString())
{
    TextFile::Contents contents;
    auto reader = ItemReader::FromFile(path, &contents);
    if (!reader)
        throw FatalError(what + TextFile::Problem(contents) + QStringLiteral("。\n") + path
                         + (contents.What == TextFile::Status::Missing ? note : QString()));
    QStringList items;
    while (items.size() < kItemsPerFile) {
        const auto item = reader->Next();
        if (!item)
            throw FatalError(QStringLiteral("%1の項目が足りません（%2 項目必要なところ %3 項目しかありません）。\n%4")
                                 .arg(what).arg(kItemsPerFile).arg(items.size()).arg(path));
        items << *item;
    }
    return items;
}
} // namespace

QString Configuration::ProgramFolderPath(const QString& override)
{
    QString folder = override;
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return WithSlash(folder);
}

QString Configuration::DevelopmentDataRoot(const QString& programFolder)
{
    const qsizetype first = programFolder.indexOf(u'/');
    return programFolder.left(first + 1) + QStringLiteral("KD0311/ソルネなし/");
}

void Configuration::SplitSchoolText(const QString& text, QString* code, QString* name)
{
    const QString head = text.left(5);
    if (ItemReader::LeadingNumber(head) != 0) {
        *code = head;
        *name = text.mid(5);
    } else {
        code->clear();
        *name = text;
    }
}

QString Configuration::PathFilePath(const QString& programFolder)
{
    return WithSlash(QFileInfo(programFolder.chopped(1)).path()) + QStringLiteral("パスデータ.txt");
}

QString Configuration::CommonFilePath(const QString& dataRoot) { return dataRoot + QStringLiteral("共通データ.txt"); }

QString Configuration::ReadDataRoot(const QString& programFolder, bool developmentLayout, QString* missingNote)
{
    const QString pathFile = PathFilePath(programFolder);
    QString dataRoot = ReadTenItems(pathFile, QStringLiteral("パスデータ（パスデータ.txt）")).at(0);
    if (dataRoot.isEmpty())
        throw FatalError(QStringLiteral("パスデータ.txt の最初の項目（共有データフォルダ）が空です。\n%1").arg(pathFile));
    // A path file written on Windows ends the folder with a backslash. One without any trailing
    // separator is left as it is; the next file name formed from it then fails with its own message.
    if (dataRoot.endsWith(u'\\'))
        dataRoot.back() = u'/';

    if (developmentLayout)
        dataRoot = DevelopmentDataRoot(programFolder);
    // A relative data root is where the program is, not where it was started from.
    if (QDir::isRelativePath(dataRoot))
        dataRoot = WithSlash(QDir::cleanPath(programFolder + dataRoot));
    // CP932 has one wave dash; a folder made on this machine may carry the other one.
    if (!QFileInfo(dataRoot).isDir() && dataRoot.contains(QChar(0xFF5E))) {
        QString other = dataRoot;
        other.replace(QChar(0xFF5E), QChar(0x301C));
        if (QFileInfo(other).isDir())
            dataRoot = other;
        else if (missingNote)
            *missingNote = QStringLiteral("\n（「～」を「〜」にした %1 もありません）").arg(other);
    }
    return dataRoot;
}

Installation Configuration::LoadPathsAndConfiguration(const QString& programFolder, bool developmentLayout)
{
    QString note;
    const QString dataRoot = ReadDataRoot(programFolder, developmentLayout, &note);

    const QString commonFile = CommonFilePath(dataRoot);
    const QStringList common = ReadTenItems(commonFile, QStringLiteral("共通データ（共通データ.txt）"), note);
    bool isNumber = false;
    const double month = ItemReader::LeadingNumber(common.at(0), &isNumber);
    if (!isNumber || month < 1 || month > 12 || month != int(month))
        throw FatalError(QStringLiteral("共通データ.txt の最初の項目（学年の始まる月）は 1 から 12 の数でなければなりません"
                                        "（「%1」）。\n%2").arg(common.at(0), commonFile));
    QString schoolCode;
    QString schoolName;
    SplitSchoolText(common.at(1), &schoolCode, &schoolName);
    const double option = ItemReader::LeadingNumber(common.at(2));
    if (!(option >= -32768 && option <= 32767))
        throw FatalError(QStringLiteral("共通データ.txt の3番目の項目（名簿の設定）が大きすぎます（「%1」）。\n%2")
                             .arg(common.at(2), commonFile));
    const int rosterOption = int(option);

    const QString programFolderName = QFileInfo(programFolder.chopped(1)).fileName();
    const QString dataFolder = developmentLayout ? programFolder : dataRoot + programFolderName + u'/';
    if (!QFileInfo(dataFolder).isDir())
        throw FatalError(QStringLiteral("このプログラムのデータフォルダがありません。\n%1").arg(dataFolder));

    Installation s;
    s.ProgramFolder = programFolder;
    s.DataRoot = dataRoot;
    s.ProgramFolderName = programFolderName;
    s.DataFolder = dataFolder;
    s.SoundFolder = dataRoot + QStringLiteral("音フォルダ/");
    s.SchoolYearStartMonth = int(month);
    s.SchoolName = schoolName;
    s.SchoolCode = schoolCode;
    s.RosterOption = rosterOption;

    SetProgramIdentity(s);
    return s;
}

void Configuration::SetProgramIdentity(Installation& s)
{
    s.ProgramTitle = QStringLiteral("ゾメ２");
    s.AllLevelsOpen = 1;
}
