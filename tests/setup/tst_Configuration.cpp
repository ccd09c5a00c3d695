#include "support/AppCalls.h"
#include "support/TestScopes.h"
#include "setup/Configuration.h"
#include "base/FatalError.h"
#include "setup/StartupInfo.h"
#include "support/TestInstallation.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>
#include <sys/stat.h>

namespace {
// Every file under `root` with its bytes, to prove a failed start-up wrote nothing.
QMap<QString, QByteArray> Snapshot(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            files[path] = f.readAll();
    }
    return files;
}

QString TenItems(const QString& first) { return first + ",1,2,3,4,5,6,7,8,9\n"; }
} // namespace

class TestConfiguration : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetTestScopes(); }
    void cleanup()
    {
        TestSchool().ProgramFolderOverride.clear();
        ResetTestScopes();
    }

    void loads_data()
    {
        QTest::addColumn<QString>("pathText");   // "{share}" stands for the share folder without separator
        QTest::addColumn<QString>("commonText");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("rosterOption");
        const QString school = QStringLiteral("4,\"12345テスト小学校\",0,0,0,0,0,0,0,0\n");
        QTest::newRow("share ending with /") << TenItems("{share}/") << school
            << "12345" << QStringLiteral("テスト小学校") << 4 << 0;
        QTest::newRow("share ending with a backslash") << TenItems("{share}\\") << school
            << "12345" << QStringLiteral("テスト小学校") << 4 << 0;
        QTest::newRow("more than ten items: the first is used")
            << "{share}/,/elsewhere/,2,3,4,5,6,7,8,9,/other/,x\n/third/\n" << school
            << "12345" << QStringLiteral("テスト小学校") << 4 << 0;
        QTest::newRow("items spread over lines") << "  {share}/\n1\n2,3\n4,5,6,7,8,9\n" << school
            << "12345" << QStringLiteral("テスト小学校") << 4 << 0;
        QTest::newRow("code then name") << TenItems("{share}/")
            << QStringLiteral("4,12345名前,1,0,0,0,0,0,0,0\n") << "12345" << QStringLiteral("名前") << 4 << 1;
        QTest::newRow("no leading digits") << TenItems("{share}/")
            << QStringLiteral("9,名前だけの学校,0,0,0,0,0,0,0,0\n") << "" << QStringLiteral("名前だけの学校") << 9 << 0;
        QTest::newRow("five zeros are no code") << TenItems("{share}/")
            << QStringLiteral("4,00000名前,0,0,0,0,0,0,0,0\n") << "" << QStringLiteral("00000名前") << 4 << 0;
        QTest::newRow("code alone") << TenItems("{share}/")
            << QStringLiteral("1,54321,2,0,0,0,0,0,0,0\n") << "54321" << "" << 1 << 2;
        QTest::newRow("quoted name with comma") << TenItems("{share}/")
            << QStringLiteral("12,\"12345東,西小学校\",0,0,0,0,0,0,0,0,extra\n") << "12345"
            << QStringLiteral("東,西小学校") << 12 << 0;
    }
    void loads()
    {
        QFETCH(QString, pathText);
        QFETCH(QString, commonText);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(int, month);
        QFETCH(int, rosterOption);
        TestInstallation inst;
        inst.WriteCriteria();
        const QString share = inst.DataRoot.chopped(1);
        TestInstallation::WriteText(inst.Root + QStringLiteral("パスデータ.txt"),
                                    QString(pathText).replace("{share}", share));
        TestInstallation::WriteText(inst.DataRoot + QStringLiteral("共通データ.txt"), commonText);
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;

        AppCalls::LoadPathsAndConfiguration();

        QCOMPARE(TestSchool().ProgramFolder, inst.ProgramFolder);
        QCOMPARE(TestSchool().DataRoot, inst.DataRoot);
        QCOMPARE(TestSchool().ProgramFolderName, QStringLiteral("prog"));
        QCOMPARE(TestSchool().DataFolder, inst.Root + "share/prog/");
        QCOMPARE(TestSchool().SoundFolder, inst.Root + QStringLiteral("share/音フォルダ/"));
        QCOMPARE(TestSchool().SchoolCode, code);
        QCOMPARE(TestSchool().SchoolName, name);
        QCOMPARE(TestSchool().SchoolYearStartMonth, month);
        QCOMPARE(TestSchool().RosterOption, rosterOption);
        QCOMPARE(TestSchool().ProgramTitle, QStringLiteral("ゾメ２"));
        QCOMPARE(TestSchool().AllLevelsOpen, qint16(1));
    }

    // A program folder given without its final separator, or through "..", means the same folder.
    void programFolderIsNormalised()
    {
        TestInstallation inst;
        TestSchool().ProgramFolderOverride = inst.ProgramFolder + "../prog";
        QCOMPARE(Configuration::ProgramFolderPath(TestSchool().ProgramFolderOverride), inst.ProgramFolder);
        TestSchool().ProgramFolderOverride.clear();
        QCOMPARE(Configuration::ProgramFolderPath(TestSchool().ProgramFolderOverride), QCoreApplication::applicationDirPath() + "/");
    }

    // A folder named with "〜" (U+301C) is found although CP932 gives the path file's "～" (U+FF5E).
    void otherWaveDash()
    {
        TestInstallation inst;
        inst.WriteAll();
        const QString root = inst.Root + QStringLiteral("share〜x/");
        QVERIFY(QDir().rename(inst.DataRoot, root));
        TestInstallation::WriteText(inst.Root + QStringLiteral("パスデータ.txt"), TenItems(inst.Root + QStringLiteral("share～x/")));
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;
        AppCalls::LoadPathsAndConfiguration();
        QCOMPARE(TestSchool().DataRoot, root);
        QCOMPARE(TestSchool().DataFolder, root + QStringLiteral("prog/"));
    }

    // A relative data root is where the program is, wherever it was started from.
    void relativeDataRoot()
    {
        TestInstallation inst;
        inst.WriteAll();
        TestInstallation::WriteText(inst.Root + QStringLiteral("パスデータ.txt"), TenItems(QStringLiteral("../share/")));
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;
        const QString before = QDir::currentPath();
        QDir::setCurrent(QDir::rootPath());
        AppCalls::LoadPathsAndConfiguration();
        QDir::setCurrent(before);
        QCOMPARE(TestSchool().DataRoot, inst.DataRoot);
        QCOMPARE(TestSchool().DataFolder, inst.DataFolder);
    }

    void failures_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("file");      // relative to the installation root
        QTest::addColumn<QString>("words");
        QTest::newRow("no path file") << 0 << QStringLiteral("パスデータ.txt") << QStringLiteral("見つかりません");
        QTest::newRow("path file with one item") << 1 << QStringLiteral("パスデータ.txt")
                                                  << QStringLiteral("10 項目必要なところ 1 項目");
        QTest::newRow("path file with nine items") << 2 << QStringLiteral("パスデータ.txt")
                                                    << QStringLiteral("10 項目必要なところ 9 項目");
        QTest::newRow("path file with an empty first item") << 3 << QStringLiteral("パスデータ.txt")
                                                             << QStringLiteral("空です");
        QTest::newRow("no common file") << 4 << QStringLiteral("share/共通データ.txt") << QStringLiteral("見つかりません");
        QTest::newRow("common file with three items") << 5 << QStringLiteral("share/共通データ.txt")
                                                       << QStringLiteral("10 項目必要なところ 3 項目");
        QTest::newRow("data root without separator is not corrected")
            << 6 << QStringLiteral("share共通データ.txt") << QStringLiteral("見つかりません");
        QTest::newRow("no data folder") << 7 << QStringLiteral("share/prog/") << QStringLiteral("データフォルダがありません");
        QTest::newRow("start month out of range") << 8 << QStringLiteral("share/共通データ.txt")
                                                   << QStringLiteral("1 から 12");
        QTest::newRow("path file is a folder") << 9 << QStringLiteral("パスデータ.txt") << QStringLiteral("普通のファイルではありません");
        QTest::newRow("roster option beyond any whole number") << 10 << QStringLiteral("share/共通データ.txt")
                                                                << QStringLiteral("大きすぎます");
        // A pipe would hang the reading; it is refused at once.
        QTest::newRow("path file is a pipe") << 11 << QStringLiteral("パスデータ.txt") << QStringLiteral("普通のファイルではありません");
        QTest::newRow("no data root under either wave dash") << 12 << QStringLiteral("share～x/共通データ.txt")
                                                              << QStringLiteral("share〜x");
    }
    void failures()
    {
        QFETCH(int, fault);
        QFETCH(QString, file);
        QFETCH(QString, words);
        TestInstallation inst;
        inst.WriteAll();
        const QString pathFile = inst.Root + QStringLiteral("パスデータ.txt");
        const QString commonFile = inst.DataRoot + QStringLiteral("共通データ.txt");
        switch (fault) {
        case 0: QVERIFY(QFile::remove(pathFile)); break;
        case 1: TestInstallation::WriteText(pathFile, inst.DataRoot + "\n"); break;
        case 2: TestInstallation::WriteText(pathFile, inst.DataRoot + ",1,2,3,4,5,6,7,8\n"); break;
        case 3: TestInstallation::WriteText(pathFile, TenItems("")); break;
        case 4: QVERIFY(QFile::remove(commonFile)); break;
        case 5: TestInstallation::WriteText(commonFile, QStringLiteral("4,12345学校,0\n")); break;
        case 6: TestInstallation::WriteText(pathFile, TenItems(inst.DataRoot.chopped(1))); break;
        case 7: QVERIFY(QDir(inst.DataFolder).removeRecursively()); break;
        case 8: inst.WriteCommonFile(QStringLiteral("12345学校"), 13); break;
        case 9: QVERIFY(QFile::remove(pathFile)); QVERIFY(QDir().mkdir(pathFile)); break;
        case 10:
            TestInstallation::WriteText(commonFile, QStringLiteral("4,\"12345学校\",100000000000000000000,0,0,0,0,0,0,0\n"));
            break;
        case 11:
            QVERIFY(QFile::remove(pathFile));
            QCOMPARE(::mkfifo(QFile::encodeName(pathFile).constData(), 0644), 0);
            break;
        case 12: TestInstallation::WriteText(pathFile, TenItems(inst.Root + QStringLiteral("share～x/"))); break;
        }
        const auto before = Snapshot(inst.Root);
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;

        QString message;
        try {
            AppCalls::LoadPathsAndConfiguration();
        } catch (const FatalError& e) {
            message = e.Message;
        }
        QVERIFY2(message.contains(inst.Root + file), qPrintable(message));
        QVERIFY2(message.contains(words), qPrintable(message));
        QCOMPARE(Snapshot(inst.Root), before);
        // Nothing half-read is left behind for a screen to use.
        QCOMPARE(TestSchool().DataFolder, QString());
        QCOMPARE(TestSchool().ProgramTitle, QString());
    }

    void developmentDataRoot()
    {
        QCOMPARE(Configuration::DevelopmentDataRoot("/home/t/KD0311/prog/"), QStringLiteral("/KD0311/ソルネなし/"));
    }

    // In the development tree the data root is fixed and the path file's choice is ignored.
    void developmentLayoutIgnoresThePathFile()
    {
        QTemporaryDir dir;
        const QString program = dir.path() + "/KD0311/prog/";
        const QString share = dir.path() + "/share/";
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QDir().mkpath(share + "prog"));
        TestInstallation::WriteText(dir.path() + QStringLiteral("/KD0311/パスデータ.txt"), TenItems(share));
        TestInstallation::WriteText(share + QStringLiteral("共通データ.txt"), QStringLiteral("4,12345学校,0,0,0,0,0,0,0,0\n"));
        TestSchool().ProgramFolderOverride = program;
        TestSchool().DevelopmentLayout = StartupInfo::IsDevelopmentLayout(Configuration::ProgramFolderPath(TestSchool().ProgramFolderOverride));
        QVERIFY(TestSchool().DevelopmentLayout);
        if (QFile::exists(QStringLiteral("/KD0311")))
            QSKIP("this machine has a development tree at /KD0311");
        try {
            AppCalls::LoadPathsAndConfiguration();
            QFAIL("the development data root does not exist here");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QStringLiteral("/KD0311/ソルネなし/共通データ.txt")), qPrintable(e.Message));
        }
    }

    void releaseInsideTheDevelopmentTreeUsesThePathFile()
    {
        QTemporaryDir dir;
        const QString program = dir.path() + "/KD0311/ZENDREL/prog/";
        const QString share = dir.path() + "/share/";
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QDir().mkpath(share + "prog"));
        TestInstallation::WriteText(dir.path() + QStringLiteral("/KD0311/ZENDREL/パスデータ.txt"), TenItems(share));
        TestInstallation::WriteText(share + QStringLiteral("共通データ.txt"), QStringLiteral("4,12345学校,0,0,0,0,0,0,0,0\n"));
        TestInstallation::WriteText(share + QStringLiteral("prog/タイム回数データ.txt"),
            QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\n"
                           "60,90,100,5,1,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n"));
        TestSchool().ProgramFolderOverride = program;
        TestSchool().DevelopmentLayout = StartupInfo::IsDevelopmentLayout(Configuration::ProgramFolderPath(TestSchool().ProgramFolderOverride));
        QVERIFY(!TestSchool().DevelopmentLayout);
        AppCalls::LoadPathsAndConfiguration();
        QCOMPARE(TestSchool().DataRoot, share);
        QCOMPARE(TestSchool().DataFolder, share + "prog/");
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_Configuration.moc"
