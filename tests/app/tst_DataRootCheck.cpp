#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "support/TestInstallation.h"
#include "support/TestMount.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// zome2 --check-data-root, run as the real program on real shares: a tmpfs standing for the
// school's share, a read-only bind mount, a FUSE mount, and an account that is not the owner.
class TestDataRootCheck : public QObject {
    Q_OBJECT

    struct Result {
        int Status = -1;
        QString Out;
        QString Err;
        QString Line(const QString& check) const
        {
            for (const QString& line : Out.split(u'\n'))
                if (line.contains(QStringLiteral("】") + check + QStringLiteral("：")))
                    return line;
            return QString();
        }
    };

    // Runs the program, as `account` when one is named (through setpriv, from a copy that account
    // can reach).
    Result Check(const QString& account = QString()) const
    {
        QStringList command{Program(), "--program-folder", Inst->ProgramFolder, "--check-data-root"};
        if (!account.isEmpty()) {
            const QString copy = Inst->Root + "zome2";
            QFile::remove(copy);
            if (!QFile::copy(Program(), copy) || ::chmod(QFile::encodeName(copy).constData(), 0755) != 0)
                qFatal("cannot copy the program for %s", qPrintable(account));
            const struct passwd* pw = ::getpwnam(account.toLocal8Bit().constData());
            if (!pw)
                qFatal("there is no account %s", qPrintable(account));
            command = QStringList{"setpriv", QStringLiteral("--reuid=%1").arg(pw->pw_uid),
                                  QStringLiteral("--regid=%1").arg(pw->pw_gid), "--clear-groups", copy}
                + command.mid(1);
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(command.first(), command.mid(1));
        Result r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.Status = p.exitCode();
        r.Out = QString::fromUtf8(p.readAllStandardOutput());
        r.Err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    static QString Program() { return qEnvironmentVariable("ZOME2_BIN_DIR") + "/zome2"; }
    QString ScorePath() const { return Inst->DataFolder + QStringLiteral("成績累積データ.dat"); }

    void WriteRecords(int count, const QByteArray& tail = QByteArray()) const
    {
        QByteArray bytes;
        for (int i = 0; i < count; ++i) {
            ScoreRecord r;
            r.Date = 46366;
            r.Pupil = qint16(i % 7 + 1);
            r.Level = 1;
            r.Seconds = 100 + i;
            bytes += ScoreRecordCodec::Encode(r);
        }
        QFile f(ScorePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes + tail), bytes.size() + tail.size());
    }

    // The installation on a share of its own, reachable by every account.
    void MakeSchool()
    {
        QVERIFY(QDir().mkpath(Inst->DataFolder));
        QVERIFY(QDir().mkpath(Inst->SoundFolder));
        Inst->WriteAll();
        Inst->WriteNumberedRoster(12);
        for (const QString& folder : {Inst->Root, Inst->DataRoot, Inst->DataFolder, Inst->ProgramFolder})
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    }

    static bool Root() { return ::geteuid() == 0; }

private slots:
    void init()
    {
        Inst = std::make_unique<TestInstallation>();
        QVERIFY(QDir().mkpath(Inst->DataRoot));
    }
    void cleanup()
    {
        Share.reset();
        Inst.reset();
    }

    // A healthy share: every check good, the count of records and the newest backup told, exit 0.
    void healthyShare()
    {
        if (Root()) { // a share of its own, as a school has one
            Share = std::make_unique<TestMount>(QStringList{"mount", "-t", "tmpfs", "-o", "size=8m", "zome2test", Inst->DataRoot},
                                                Inst->DataRoot);
            QVERIFY2(Share->Error.isEmpty(), qPrintable(Share->Error));
        }
        MakeSchool();
        WriteRecords(5, "partial");
        QFile backup(Inst->DataFolder + QStringLiteral("成績累積データ_20261201-101010.bak"));
        QVERIFY(backup.open(QIODevice::WriteOnly));
        backup.close();

        const Result r = Check();
        QVERIFY2(r.Status == 0, qPrintable(r.Out + r.Err));
        if (Root()) {
            QVERIFY2(r.Line(QStringLiteral("マウント")).contains(QStringLiteral("（tmpfs、zome2test、rw）")), qPrintable(r.Out));
            QVERIFY2(r.Line(QStringLiteral("空き容量")).contains(QStringLiteral("8.0 MB")), qPrintable(r.Out));
        }
        QVERIFY2(r.Line(QStringLiteral("ロックの共有")).startsWith(QStringLiteral("【良好】")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("成績ファイルへの書き込み")).startsWith(QStringLiteral("【良好】")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("合格基準")).startsWith(QStringLiteral("【良好】")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("名簿")).contains(QStringLiteral("12人")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("成績の記録")).contains(QStringLiteral("5件")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("成績の記録")).contains(QStringLiteral("7バイト")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("最新の控え")).contains(QStringLiteral("成績累積データ_20261201-101010.bak")), qPrintable(r.Out));
        QVERIFY(r.Out.contains(QStringLiteral("問題は見つかりませんでした")));
    }

    // What would lose attempts makes the exit status 1 and names the reason.
    void shareThatLosesAttempts_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only bind mount") << "readonly" << "成績ファイルへの書き込み" << "書き込みできない場所です";
        QTest::newRow("FUSE mount") << "fuse" << "ロックの共有" << "FUSE";
    }
    void shareThatLosesAttempts()
    {
        QFETCH(QString, how);
        QFETCH(QString, check);
        QFETCH(QString, reason);
        if (!Root())
            QSKIP("mounting needs root");
        MakeSchool();
        WriteRecords(3);
        if (how == QLatin1String("readonly")) {
            Share = std::make_unique<TestMount>(QStringList{"mount", "--bind", Inst->DataRoot, Inst->DataRoot}, Inst->DataRoot);
            QVERIFY2(Share->Error.isEmpty(), qPrintable(Share->Error));
            QVERIFY(Share->RemountReadOnly());
        } else {
            if (QStandardPaths::findExecutable("bindfs").isEmpty())
                QSKIP("bindfs is not installed");
            Share = std::make_unique<TestMount>(QStringList{"bindfs", Inst->DataRoot, Inst->DataRoot}, Inst->DataRoot);
            if (!Share->Error.isEmpty())
                QSKIP(qPrintable("no FUSE here: " + Share->Error));
        }

        const Result r = Check();
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Line(check).startsWith(QStringLiteral("【問題】")), qPrintable(r.Out));
        QVERIFY2(r.Line(check).contains(reason), qPrintable(r.Out));
        QVERIFY(r.Out.contains(QStringLiteral("【問題】の行を直してから")));
        // The rest is still looked at.
        QVERIFY2(r.Line(QStringLiteral("成績の記録")).contains(QStringLiteral("3件")), qPrintable(r.Out));
    }

    // A pupil's account on a score file the administrator made for himself alone; on one made for
    // everybody in a folder where only he makes files (no backup or journal of a delete, no
    // finishing another PC's cut-off delete); and on both made for everybody.
    void pupilsAccount_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("fileWritable");
        QTest::addColumn<bool>("folderWritable");
        QTest::newRow("root's 644 file") << 0644 << 0755 << 1 << false << false;
        QTest::newRow("file for every account, folder for root") << 0666 << 0755 << 1 << true << false;
        QTest::newRow("file and folder for every account") << 0666 << 0777 << 0 << true << true;
    }
    void pupilsAccount()
    {
        QFETCH(int, mode);
        QFETCH(int, folderMode);
        QFETCH(int, status);
        QFETCH(bool, fileWritable);
        QFETCH(bool, folderWritable);
        if (!Root())
            QSKIP("running as another account needs root");
        MakeSchool();
        WriteRecords(2);
        QCOMPARE(::chmod(QFile::encodeName(ScorePath()).constData(), mode_t(mode)), 0);
        QCOMPARE(::chmod(QFile::encodeName(Inst->DataFolder).constData(), mode_t(folderMode)), 0);

        const Result r = Check(QStringLiteral("nobody"));
        QVERIFY2(r.Status == status, qPrintable(r.Out + r.Err));
        const QString line = r.Line(QStringLiteral("成績ファイルへの書き込み"));
        QVERIFY2(line.contains(QStringLiteral("nobody")), qPrintable(r.Out));
        QVERIFY2(line.startsWith(fileWritable ? QStringLiteral("【良好】") : QStringLiteral("【問題】")), qPrintable(line));
        const QString folder = r.Line(QStringLiteral("データフォルダへのファイルの作成と削除"));
        QVERIFY2(folder.startsWith(folderWritable ? QStringLiteral("【良好】") : QStringLiteral("【問題】")), qPrintable(r.Out));
        // The check leaves nothing behind.
        QCOMPARE(QDir(Inst->DataFolder).entryList({QStringLiteral("*.new-*")}, QDir::Files), QStringList());
        // Reading needs no more than the other accounts' read rights.
        QVERIFY2(r.Line(QStringLiteral("成績の記録")).contains(QStringLiteral("2件")), qPrintable(r.Out));
    }

    // A file another PC holds just now is in use, not broken.
    void fileHeldByAnotherPc()
    {
        MakeSchool();
        WriteRecords(1);
        const int fd = ::open(QFile::encodeName(ScorePath()).constData(), O_RDWR);
        QVERIFY(fd >= 0);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        QCOMPARE(::fcntl(fd, F_SETLK, &lock), 0);
        const Result r = Check();
        ::close(fd);
        QVERIFY2(r.Status == 0, qPrintable(r.Out + r.Err));
        QVERIFY2(r.Line(QStringLiteral("成績ファイルへの書き込み")).startsWith(QStringLiteral("【情報】")), qPrintable(r.Out));
        QVERIFY2(r.Line(QStringLiteral("成績ファイルへの書き込み")).contains(QStringLiteral("使用中")), qPrintable(r.Out));
    }

    // A delete cut off part-way is told; the next PC that uses the file finishes it.
    void cutOffDeleteTold()
    {
        MakeSchool();
        WriteRecords(2);
        QFile journal(Inst->DataFolder + QStringLiteral("成績累積データ.journal"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.close();
        const Result r = Check();
        QVERIFY2(r.Status == 0, qPrintable(r.Out + r.Err));
        QVERIFY2(r.Line(QStringLiteral("途中の書き換え")).startsWith(QStringLiteral("【注意】")), qPrintable(r.Out));
        QVERIFY(QFile::exists(journal.fileName())); // looked at, not touched
    }

    // Files that keep the program from starting, or from listing pupils.
    void damagedOrMissingFiles_data()
    {
        QTest::addColumn<QString>("file"); // relative to the data root; "-" for the data root itself
        QTest::addColumn<QByteArray>("contents"); // empty: removed
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("status");
        QTest::newRow("no data root") << "-" << QByteArray() << "データの場所" << 1;
        QTest::newRow("no common file") << QStringLiteral("共通データ.txt") << QByteArray() << "設定" << 1;
        QTest::newRow("damaged criteria") << QStringLiteral("prog/タイム回数データ.txt") << QByteArray("1,2,3\r\n")
                                          << "合格基準" << 1;
        QTest::newRow("no roster") << QStringLiteral("新名簿.txt") << QByteArray() << "名簿" << 0;
        QTest::newRow("no score file yet") << QStringLiteral("prog/成績累積データ.dat") << QByteArray()
                                           << "成績ファイルへの書き込み" << 0;
    }
    void damagedOrMissingFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, contents);
        QFETCH(QString, check);
        QFETCH(int, status);
        MakeSchool();
        WriteRecords(1);
        if (file == QLatin1String("-")) {
            QVERIFY(QDir(Inst->DataRoot).removeRecursively());
        } else if (contents.isEmpty()) {
            QVERIFY(QFile::remove(Inst->DataRoot + file));
        } else {
            QFile f(Inst->DataRoot + file);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(contents);
        }
        const Result r = Check();
        QVERIFY2(r.Status == status, qPrintable(r.Out + r.Err));
        const QString line = r.Line(check);
        QVERIFY2(line.startsWith(status == 0 ? QStringLiteral("【注意】") : QStringLiteral("【問題】")), qPrintable(r.Out));
        if (file == QLatin1String("-"))
            QVERIFY2(line.contains(QDir::cleanPath(Inst->DataRoot)), qPrintable(line));
        else
            QVERIFY2(line.contains(QFileInfo(file).fileName()), qPrintable(line));
    }

private:
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<TestMount> Share;
};

QTEST_GUILESS_MAIN(TestDataRootCheck)
#include "tst_DataRootCheck.moc"
