#include "support/TestInstallation.h"
#include "setup/Configuration.h"
#include "state/School.h"
#include "base/Cp932.h"
#include <QDir>
#include <QFile>

TestInstallation::TestInstallation()
{
    Root = Dir.path() + "/";
    ProgramFolder = Root + "prog/";
    DataRoot = Root + "share/";
    DataFolder = DataRoot + "prog/";
    SoundFolder = DataRoot + QStringLiteral("音フォルダ/");
    QDir().mkpath(ProgramFolder);
    QDir().mkpath(DataFolder);
    QDir().mkpath(SoundFolder);
}

void TestInstallation::WriteText(const QString& path, const QString& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QString crlf = text;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    f.write(Cp932::Encode(crlf));
}

void TestInstallation::WritePathFile()
{
    WriteText(Root + QStringLiteral("パスデータ.txt"), DataRoot + ",1,2,3,4,5,6,7,8,9\n");
}

void TestInstallation::WriteCommonFile(const QString& schoolText, int startMonth, int rosterOption)
{
    WriteText(DataRoot + QStringLiteral("共通データ.txt"),
              QStringLiteral("%1,\"%2\",%3,0,0,0,0,0,0,0\n").arg(startMonth).arg(schoolText).arg(rosterOption));
}

void TestInstallation::WriteCriteria(const QString& rows)
{
    WriteText(DataFolder + QStringLiteral("タイム回数データ.txt"),
              QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\n") + rows);
}

void TestInstallation::WriteRoster(const QString& lines)
{
    WriteText(DataRoot + QStringLiteral("新名簿.txt"), lines);
}

void TestInstallation::WriteUniformCriteria(int levels)
{
    QString rows;
    for (int l = 1; l <= levels; ++l)
        rows += QStringLiteral("60,90,100,5,1,0,0,7,7,,,\n");
    WriteCriteria(rows);
}

void TestInstallation::WriteNumberedRoster(int pupils)
{
    QString lines;
    for (int p = 1; p <= pupils; ++p)
        lines += QStringLiteral("%1,%2,0,0,生徒%3,0,,\n").arg(p).arg(2012 + p % 7).arg(p);
    WriteRoster(lines);
}

void TestInstallation::WriteAll()
{
    WritePathFile();
    WriteCommonFile();
    WriteCriteria();
    WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n"));
}

void TestInstallation::ApplyTo(School& school) const
{
    school.ProgramFolder = ProgramFolder;
    school.DataRoot = DataRoot;
    school.ProgramFolderName = QStringLiteral("prog");
    school.DataFolder = DataFolder;
    school.SoundFolder = SoundFolder;
    school.SchoolYearStartMonth = 4;
    school.SchoolCode = QStringLiteral("12345");
    school.SchoolName = QStringLiteral("テスト小学校");
    Configuration::SetProgramIdentity(school);
}
