#pragma once
#include <QString>
#include <QTemporaryDir>

struct School;

// A complete installation in a temporary folder:
//   <root>/パスデータ.txt, <root>/prog/ (program folder),
//   <root>/share/ (data root: 共通データ.txt, 新名簿.txt, 音フォルダ/), <root>/share/prog/ (data folder).
// Nothing is written until a Write… call.
class TestInstallation {
public:
    TestInstallation();

    QString Root;
    QString ProgramFolder;  // each ends with "/"
    QString DataRoot;
    QString DataFolder;
    QString SoundFolder;

    // Writes `text` as CP932, every "\n" turned into CR LF.
    static void WriteText(const QString& path, const QString& text);
    void WritePathFile();
    void WriteCommonFile(const QString& schoolText = QStringLiteral("12345テスト小学校"),
                         int startMonth = 4, int rosterOption = 0);
    // Header line plus `rows` (one "\n"-separated line per level, from level 1).
    void WriteCriteria(const QString& rows =
        QStringLiteral("60,90,100,5,1,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n"));
    // The same criteria row for levels 1 … `levels`.
    void WriteUniformCriteria(int levels);
    void WriteRoster(const QString& lines);
    // Pupils 1 … `pupils`, named "生徒<number>", of seven different years.
    void WriteNumberedRoster(int pupils);
    void WriteAll();
    // Sets the folders, settings and program identity of `school` as the configuration loader would,
    // without reading files.
    void ApplyTo(School& school) const;

private:
    QTemporaryDir Dir;
};
