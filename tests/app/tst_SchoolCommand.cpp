#include "app/ScreenFlow.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "state/StateViews.h"
#include "records/PassCriteriaFile.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include "roster/ui/NameScreen.h"
#include "setup/Configuration.h"
#include "sound/SoundCues.h"
#include "support/TestScopes.h"
#include <QListWidget>
#include <QDirIterator>
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const PupilVariable = "ZOME2_PUPIL_PROGRAM_FOLDER";

// A pupil's start and attempt, as the program does them, run as another account by the test:
// reads every file the program reads (configuration, criteria, sounds, roster, scores), then
// records one attempt through the program's own append and reads it back.
int RunPupil(const QString& programFolder)
{
    TestSchool().ProgramFolderOverride = programFolder;
    TestEnv().LockGiveUpSeconds = 10;
    try {
        ScreenFlow::LoadConfiguration(TestSchool());
        const SoundTable sounds = SoundCues::LoadSoundTable(TestSchool().SoundFolder);
        for (int cue = 1; cue <= 10; ++cue)
            for (int i = 1; i <= sounds.Cell[cue][21].toInt(); ++i) {
                QFile wave(TestSchool().SoundFolder + sounds.Cell[cue][i] + ".wav");
                if (!wave.open(QIODevice::ReadOnly) || wave.read(44).size() != 44)
                    throw FatalError("cannot read " + wave.fileName());
            }
        if (!RosterFile::LoadRoster(TestSchool().DataRoot, TestSchool().RosterOption, 2026, TestSchool().Roster))
            throw FatalError("cannot read the roster: " + TestSchool().Roster.ReadProblem);
        StateViews::ComputeResultTables(TestSchool(), TestSession(), TestEnv());
        const qint32 before = TestSchool().Scores.LoadedCount;
        const ScoreRecord attempt = ScoreFile::AttemptRecord(QDateTime::currentDateTime(), 999, 1, 123, TestSchool().SchoolCode);
        ResultEvaluation::RecordAttempt(StateViews::Scores(TestSchool(), TestEnv()), attempt, TestSchool().Criteria, TestSchool().Results, TestSchool().Scores);
        StateViews::ComputeResultTables(TestSchool(), TestSession(), TestEnv());
        if (TestSchool().Scores.LoadedCount != before + 1)
            throw FatalError(QStringLiteral("%1 records after the append, %2 before").arg(TestSchool().Scores.LoadedCount).arg(before));
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", e.Message.toUtf8().constData());
        return 1;
    }
    return 0;
}
} // namespace

// --new-school and --set-data-root, run as the real program on real folders, with no display; the
// name screen then opens on what they made.
class TestSchoolCommand : public QObject {
    Q_OBJECT

    struct Result {
        int Status = -1;
        QString Out;
        QString Err;
    };

    // An installed program folder <root>/inst/zome2/ whose path file does not exist yet.
    QString ProgramFolder() const { return Dir.path() + "/inst/zome2"; }
    QString PathFile() const { return Dir.path() + QStringLiteral("/inst/パスデータ.txt"); }

    Result Run(const QStringList& arguments) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("ZOME2_BIN_DIR") + "/zome2",
                QStringList{"--program-folder", ProgramFolder()} + arguments);
        Result r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.Status = p.exitCode();
        r.Out = QString::fromUtf8(p.readAllStandardOutput());
        r.Err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    Result NewSchool(const QString& folder, const QString& code = QStringLiteral("12345"),
                     const QString& name = QStringLiteral("さくら小学校")) const
    {
        return Run({"--new-school", folder, "--school-name", name, "--school-code", code});
    }

    // Every entry below `folder` (hidden ones too) with its contents' hash: what "nothing changed" means.
    static QStringList Listing(const QString& folder)
    {
        QStringList lines;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            QByteArray hash;
            if (QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly))
                hash = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex();
            lines << path + " " + hash;
        }
        lines.sort();
        return lines;
    }

    static void Touch(const QString& path, const QByteArray& bytes = "x")
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }

private slots:
    void init()
    {
        QVERIFY(Dir.isValid());
        QVERIFY(QDir().mkpath(ProgramFolder()));
    }
    void cleanup()
    {
        QFile::setPermissions(Dir.path() + "/locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QDir(Dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(Dir.path()));
    }

    // A new school's folder is one the program starts on: the path file points at it, the
    // configuration, criteria, roster and sounds read back, and the export runs. The folder may be
    // new, or exist already: empty (a share's mount point), or holding other programs' folders.
    void newSchoolStarts_data()
    {
        QTest::addColumn<QStringList>("alreadyThere"); // relative paths made before, "x/" a folder
        QTest::newRow("new folder") << QStringList{};
        QTest::newRow("empty folder") << QStringList{""};
        QTest::newRow("other programs' data") << QStringList{"other/タイム回数データ.txt", "readme.txt"};
        QTest::newRow("empty data folder") << QStringList{"zome2/"};
    }
    void newSchoolStarts()
    {
        QFETCH(QStringList, alreadyThere);
        const QString share = Dir.path() + "/share";
        for (const QString& entry : alreadyThere) {
            if (entry.isEmpty() || entry.endsWith('/'))
                QVERIFY(QDir().mkpath(share + "/" + entry));
            else
                Touch(share + "/" + entry);
        }

        const Result made = NewSchool(share);
        QVERIFY2(made.Status == 0, qPrintable(made.Err));
        QVERIFY(made.Out.contains(QStringLiteral("--set-data-root")));
        // The school's folder is for every pupil's account, not only the one that made it.
        QVERIFY(QFileInfo(share).permissions() & QFile::ReadOther);
        for (const QString& entry : alreadyThere)
            QVERIFY(QFileInfo::exists(share + "/" + entry));
        QCOMPARE(QDir(Dir.path()).entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"inst", "share"}));
        QCOMPARE(QDir(share).entryList({".*"}, QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});

        const Result pointed = Run({"--set-data-root", share});
        QVERIFY2(pointed.Status == 0, qPrintable(pointed.Err));
        QFile pathFile(PathFile());
        QVERIFY(pathFile.open(QIODevice::ReadOnly));
        QCOMPARE(pathFile.readAll(), ("\"" + share + "/\",0,0,0,0,0,0,0,0,0\r\n").toUtf8());

        const Installation inst = Configuration::LoadPathsAndConfiguration(ProgramFolder() + "/", false);
        QCOMPARE(inst.DataFolder, share + "/zome2/");
        QCOMPARE(inst.SchoolCode, QStringLiteral("12345"));
        QCOMPARE(inst.SchoolName, QStringLiteral("さくら小学校"));
        QCOMPARE(inst.SchoolYearStartMonth, 4);
        CriteriaTable criteria;
        PassCriteriaFile::LoadPassCriteria(inst.DataFolder, criteria, 3);
        RosterTables roster;
        QVERIFY(RosterFile::LoadRoster(inst.DataRoot, 0, 2026, roster));
        QCOMPARE(roster.ListedCount, 1);
        QCOMPARE(roster.PupilName[roster.ListedPupils[1]].trimmed(), QStringLiteral("先生"));
        QVERIFY(roster.SkippedLines.isEmpty());
        QCOMPARE(criteria[1].TargetTime, 150);
        QCOMPARE(criteria[3].LowestTime, 150);
        const SoundTable sounds = SoundCues::LoadSoundTable(inst.SoundFolder);
        QStringList waves{QStringLiteral("最高1"), QStringLiteral("合格"), QStringLiteral("警告1")};
        for (int cue = 1; cue <= 10; ++cue) {
            const int count = sounds.Cell[cue][21].toInt();
            QVERIFY2(count > 0, qPrintable(sounds.Cell[0][cue]));
            for (int i = 1; i <= count; ++i)
                waves << sounds.Cell[cue][i];
        }
        for (const QString& wave : waves)
            QVERIFY2(QFileInfo(inst.SoundFolder + wave + ".wav").size() > 44, qPrintable(wave));
        // Every machine reads these as CP932 with CR LF, whatever its own locale.
        for (const QString& text : {inst.DataRoot + QStringLiteral("共通データ.txt"), RosterFile::Path(inst.DataRoot),
                                    PassCriteriaFile::Path(inst.DataFolder), inst.SoundFolder + QStringLiteral("新音ファイル.txt")}) {
            QFile f(text);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QVERIFY2(bytes.endsWith("\r\n") && bytes.count('\n') == bytes.count("\r\n"), qPrintable(text));
            QCOMPARE(Cp932::Encode(Cp932::Decode(bytes)), bytes);
        }
        QFile common(inst.DataRoot + QStringLiteral("共通データ.txt"));
        QVERIFY(common.open(QIODevice::ReadOnly));
        QCOMPARE(common.readAll(), Cp932::Encode(QStringLiteral("4,\"12345さくら小学校\",0,0,0,0,0,0,0,0\r\n")));
        QCOMPARE(QFileInfo(inst.DataFolder + QStringLiteral("成績累積データ.dat")).size(), 0);

        const Result exported = Run({"--export-results", Dir.path() + "/results.csv"});
        QVERIFY2(exported.Status == 0, qPrintable(exported.Err));

        // The program's name screen on this folder offers the teacher.
        ResetTestScopes();
        TestSchool().ProgramFolderOverride = ProgramFolder();
        ScreenFlow::LoadConfiguration(TestSchool());
        NameScreen screen(TestSchool(), TestSession(), TestEnv());
        const QListWidget* list = screen.findChild<QListWidget*>(QStringLiteral("List1"));
        QVERIFY(list);
        QCOMPARE(list->count(), 2); // the dash row, then the teacher
        QVERIFY2(list->item(1)->text().contains(QStringLiteral("先生")), qPrintable(list->item(1)->text()));
    }

    // A folder that holds any one of a school's files is refused as a whole, and not one byte in
    // it changes.
    void refusesSchoolData_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::newRow("common file") << QStringLiteral("共通データ.txt");
        QTest::newRow("roster") << QStringLiteral("新名簿.txt");
        QTest::newRow("sound folder") << QStringLiteral("音フォルダ/");
        QTest::newRow("criteria") << QStringLiteral("zome2/タイム回数データ.txt");
        QTest::newRow("score file") << QStringLiteral("zome2/成績累積データ.dat");
        QTest::newRow("a file where the data folder goes") << QStringLiteral("zome2");
    }
    void refusesSchoolData()
    {
        QFETCH(QString, existing);
        const QString share = Dir.path() + "/share";
        if (existing.endsWith('/'))
            QVERIFY(QDir().mkpath(share + "/" + existing));
        else
            Touch(share + "/" + existing, "999,1985,0,0,\"先生\",0,\"\",\"\"\r\n");
        const QStringList before = Listing(Dir.path());

        const Result r = NewSchool(share);
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(QDir::cleanPath(share + "/" + existing)), qPrintable(r.Err));
        QVERIFY(r.Err.contains(QStringLiteral("何も作成しませんでした")));
        QCOMPARE(Listing(Dir.path()), before);
    }

    // The share is for every pupil's account: without a group the score file and its folder are
    // writable by all, the rest readable by all; with a group, everything belongs to it, setgid
    // folders and group-writable files. The modes are what they must be, whatever the umask.
    void sharePermissions_data()
    {
        QTest::addColumn<QString>("group");
        QTest::newRow("every account") << QString();
        QTest::newRow("a group") << QStringLiteral("users");
    }
    void sharePermissions()
    {
        QFETCH(QString, group);
        const struct group* g = group.isEmpty() ? nullptr : ::getgrnam(group.toLocal8Bit().constData());
        if (!group.isEmpty() && !g)
            QSKIP("there is no group users here");
        const QString share = Dir.path() + "/share";
        const mode_t umask = ::umask(077);
        const Result made = group.isEmpty() ? NewSchool(share)
                                            : Run({"--new-school", share, "--school-name", QStringLiteral("さくら小学校"),
                                                   "--school-code", "12345", "--group", group});
        ::umask(umask);
        if (g && made.Status != 0 && ::geteuid() != 0)
            QSKIP("this account cannot give files to the group");
        QVERIFY2(made.Status == 0, qPrintable(made.Err));
        QVERIFY2(made.Out.contains(group.isEmpty() ? QStringLiteral("成績ファイルに書き込めるアカウント: すべてのアカウント")
                                                   : QStringLiteral("成績ファイルに書き込めるアカウント: グループ「users」")),
                 qPrintable(made.Out));
        QVERIFY2(made.Out.contains(QStringLiteral("zome2 --check-data-root")), qPrintable(made.Out));

        const auto modeOf = [](const QString& path) {
            struct stat st {};
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
        };
        const auto groupOf = [](const QString& path) {
            struct stat st {};
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_gid : gid_t(-1);
        };
        const QString data = share + "/zome2";
        const QStringList folders{share, data, share + QStringLiteral("/音フォルダ")};
        QStringList files{share + QStringLiteral("/共通データ.txt"), share + QStringLiteral("/新名簿.txt"),
                          data + QStringLiteral("/タイム回数データ.txt")};
        for (const QString& wave : QDir(folders[2]).entryList(QDir::Files))
            files << folders[2] + "/" + wave;
        QCOMPARE(files.size(), 3 + 16);
        const QString score = data + QStringLiteral("/成績累積データ.dat");
        if (group.isEmpty()) {
            QCOMPARE(modeOf(score), 0666);
            QCOMPARE(modeOf(data), 0777);
            QCOMPARE(modeOf(share), 0755);
            QCOMPARE(modeOf(folders[2]), 0755);
            for (const QString& f : files)
                QVERIFY2(modeOf(f) == 0644, qPrintable(f));
        } else {
            for (const QString& f : folders) {
                QVERIFY2(modeOf(f) == 02775, qPrintable(f));
                QVERIFY2(groupOf(f) == g->gr_gid, qPrintable(f));
            }
            for (const QString& f : files + QStringList{score}) {
                QVERIFY2(modeOf(f) == 0664, qPrintable(f));
                QVERIFY2(groupOf(f) == g->gr_gid, qPrintable(f));
            }
        }
    }

    // A pupil's account, not the administrator's that made the school, starts the program on it
    // and records attempts; an account outside the school's group reads but cannot record.
    void pupilsAccountRecords_data()
    {
        QTest::addColumn<QString>("group");       // --group, or none
        QTest::addColumn<bool>("pupilInGroup");
        QTest::addColumn<bool>("records");
        QTest::newRow("every account") << QString() << false << true;
        QTest::newRow("a member of the group") << QStringLiteral("users") << true << true;
        QTest::newRow("outside the group") << QStringLiteral("users") << false << false;
    }
    void pupilsAccountRecords()
    {
        QFETCH(QString, group);
        QFETCH(bool, pupilInGroup);
        QFETCH(bool, records);
        if (::geteuid() != 0)
            QSKIP("running as another account needs root");
        if (!group.isEmpty() && !::getgrnam(group.toLocal8Bit().constData()))
            QSKIP("there is no group users here");
        const QString share = Dir.path() + "/share";
        QStringList newSchool{"--new-school", share, "--school-name", QStringLiteral("さくら小学校"), "--school-code", "12345"};
        if (!group.isEmpty())
            newSchool << "--group" << group;
        const mode_t umask = ::umask(022);
        const Result made = Run(newSchool);
        ::umask(umask);
        QVERIFY2(made.Status == 0, qPrintable(made.Err));
        QCOMPARE(Run({"--set-data-root", share}).Status, 0);
        // The pupil reaches the installation and a copy of this test, as on a PC where the program
        // is installed for everybody.
        QCOMPARE(::chmod(QFile::encodeName(Dir.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(Dir.path() + "/inst").constData(), 0755), 0);
        const QString pupil = Dir.path() + "/pupil";
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), pupil));
        QCOMPARE(::chmod(QFile::encodeName(pupil).constData(), 0755), 0);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(PupilVariable, ProgramFolder());
        env.insert("HOME", Dir.path());
        p.setProcessEnvironment(env);
        QStringList account{"--reuid=nobody", "--regid=nogroup"};
        account << (pupilInGroup ? "--groups=" + group : QStringLiteral("--clear-groups"));
        p.start("setpriv", account + QStringList{pupil});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        if (records) {
            QVERIFY2(p.exitCode() == 0, qPrintable(err));
            QCOMPARE(QFileInfo(share + QStringLiteral("/zome2/成績累積データ.dat")).size(), 44);
        } else {
            QCOMPARE(p.exitCode(), 1);
            QVERIFY2(err.contains(QStringLiteral("成績ファイルに書き込めません")), qPrintable(err));
            QCOMPARE(QFileInfo(share + QStringLiteral("/zome2/成績累積データ.dat")).size(), 0);
        }
    }

    // A group the PC does not know: said so, exit 1, nothing made.
    void unknownGroup()
    {
        const QStringList before = Listing(Dir.path());
        const Result r = Run({"--new-school", Dir.path() + "/share", "--school-name", QStringLiteral("さくら小学校"),
                              "--school-code", "12345", "--group", "zome2-no-such-group"});
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(QStringLiteral("グループ「zome2-no-such-group」はこのパソコンにありません")), qPrintable(r.Err));
        QCOMPARE(Listing(Dir.path()), before);
    }

    // Wrong input is refused with a message and exit status 1, and nothing is left half-made.
    void refusesBadInput_data()
    {
        QTest::addColumn<QString>("folder"); // relative to the temporary folder
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString name = QStringLiteral("さくら小学校");
        QTest::newRow("code of six digits") << "share" << "123456" << name << QStringLiteral("学校コード");
        QTest::newRow("code of four digits") << "share" << "1234" << name << QStringLiteral("学校コード");
        QTest::newRow("code of zeros") << "share" << "00000" << name << QStringLiteral("学校コード");
        QTest::newRow("full-width code") << "share" << QStringLiteral("１２３４５") << name << QStringLiteral("学校コード");
        QTest::newRow("name outside CP932") << "share" << "12345" << QStringLiteral("한국학교") << QStringLiteral("学校名");
        QTest::newRow("name with a quote") << "share" << "12345" << QStringLiteral("さくら\"小学校") << QStringLiteral("学校名");
        QTest::newRow("empty name") << "share" << "12345" << QString() << QStringLiteral("学校名");
        QTest::newRow("folder is a file") << "afile" << "12345" << name << QStringLiteral("フォルダではありません");
        QTest::newRow("parent is a file") << "afile/share" << "12345" << name << QStringLiteral("afile");
        QTest::newRow("parent missing") << "nowhere/share" << "12345" << name << QStringLiteral("nowhere");
        QTest::newRow("parent read-only") << "locked/share" << "12345" << name << QStringLiteral("locked");
    }
    void refusesBadInput()
    {
        QFETCH(QString, folder);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(QString, message);
        Touch(Dir.path() + "/afile");
        QVERIFY(QDir().mkpath(Dir.path() + "/locked"));
        QVERIFY(QFile::setPermissions(Dir.path() + "/locked", QFile::ReadOwner | QFile::ExeOwner));
        if (folder.startsWith("locked") && ::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        const QStringList before = Listing(Dir.path());

        const Result r = NewSchool(Dir.path() + "/" + folder, code, name);
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(message), qPrintable(r.Err));
        QCOMPARE(Listing(Dir.path()), before);
    }

    // Pointing a PC at a share: the folder must hold a school's data; a linked path file (as the
    // package installs it) keeps its link and the file it names gets the new text.
    void setDataRoot_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::newRow("path file") << false;
        QTest::newRow("path file linked from elsewhere") << true;
    }
    void setDataRoot()
    {
        QFETCH(bool, linked);
        const QString share = Dir.path() + "/share";
        QCOMPARE(NewSchool(share).Status, 0);
        const QString etc = Dir.path() + "/etc/パスデータ.txt";
        Touch(etc, "\"/srv/zome2/\",0,0,0,0,0,0,0,0,0\r\n");
        if (linked)
            QVERIFY(QFile::link(etc, PathFile()));
        else
            QVERIFY(QFile::copy(etc, PathFile()));

        const Result missing = Run({"--set-data-root", Dir.path() + "/nowhere"});
        QCOMPARE(missing.Status, 1);
        QVERIFY2(missing.Err.contains(QStringLiteral("共通データ.txt")), qPrintable(missing.Err));
        const Result notSchool = Run({"--set-data-root", Dir.path() + "/etc"});
        QCOMPARE(notSchool.Status, 1);

        const Result r = Run({"--set-data-root", share + "/"});
        QVERIFY2(r.Status == 0, qPrintable(r.Err));
        QCOMPARE(QFileInfo(PathFile()).isSymLink(), linked);
        QFile f(PathFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), ("\"" + share + "/\",0,0,0,0,0,0,0,0,0\r\n").toUtf8());
        QFile original(etc);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll().startsWith("\"/srv/"), !linked);
    }

    // Where the path file may only be written by the administrator (the package's one under /etc),
    // the message says how to run the command, and nothing is left beside the file.
    void setDataRootNeedsRights()
    {
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        const QString share = Dir.path() + "/share";
        QCOMPARE(NewSchool(share).Status, 0);
        const QString etc = Dir.path() + QStringLiteral("/locked/パスデータ.txt");
        Touch(etc, "\"/srv/zome2/\",0,0,0,0,0,0,0,0,0\r\n");
        QVERIFY(QFile::link(etc, PathFile()));
        QVERIFY(QFile::setPermissions(Dir.path() + "/locked", QFile::ReadOwner | QFile::ExeOwner));
        const QStringList before = Listing(Dir.path());

        const Result r = Run({"--set-data-root", share});
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(QStringLiteral("sudo zome2 --set-data-root")), qPrintable(r.Err));
        QCOMPARE(Listing(Dir.path()), before);
    }

private:
    QTemporaryDir Dir;
};

int main(int argc, char** argv)
{
    const QByteArray programFolder = qgetenv(PupilVariable);
    if (!programFolder.isEmpty()) {
        QCoreApplication app(argc, argv);
        return RunPupil(QString::fromLocal8Bit(programFolder));
    }
    QApplication app(argc, argv);
    TestSchoolCommand test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_SchoolCommand.moc"
