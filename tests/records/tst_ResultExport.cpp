#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "base/OleDate.h"
#include "support/TestInstallation.h"
#include <QDate>
#include <QFile>
#include <QProcess>
#include <cstring>
#include <cerrno>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The export runs as its own process, on a real installation, with no display.
class TestResultExport : public QObject {
    Q_OBJECT

    static QString Program() { return qEnvironmentVariable("ZOME2_BIN_DIR") + "/zome2"; }

    static void AddRecord(QByteArray& file, int pupil, int level, int seconds, int daysAgo)
    {
        ScoreRecord r;
        r.Date = OleDate::FromDate(QDate::currentDate().addDays(-daysAgo));
        r.TimeOfDay = 0.25;
        r.Pupil = qint16(pupil);
        r.Level = qint16(level);
        r.Seconds = seconds;
        r.SchoolCode = "12345";
        file += ScoreRecordCodec::Encode(r);
    }

    static bool RunCommand(const QStringList& command)
    {
        QProcess p;
        p.start(command.first(), command.mid(1));
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    static int Run(const TestInstallation& inst, const QString& out, QString* stdErr = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("QT_QPA_PLATFORM"); // needs no display at all
        p.setProcessEnvironment(env);
        p.start(Program(), {"--program-folder", inst.ProgramFolder, "--export-results", out});
        if (!p.waitForFinished(60000))
            return -1;
        if (stdErr)
            *stdErr = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void exportsEveryPupilAndLevelWithResults()
    {
        TestInstallation inst;
        inst.WritePathFile();
        inst.WriteCommonFile();
        // Level 1: target 60, lowest 90, pass at 10 points and 2 attempts within 7 days,
        // barred at 3 attempts within 1 day.
        inst.WriteCriteria("60,90,10,2,1,3,0,7,1,,,\n100,150,10,2,1,0,0,7,1,,,\n100,150,10,2,1,0,0,7,1,,,\n");
        const QDate today = QDate::currentDate();
        const int schoolYear = today.year() - (today.month() < 4 ? 1 : 0);
        const int refYear = schoolYear - 6 - 3; // third year of primary school
        inst.WriteRoster(QStringLiteral("1,%1,0,0,山田太郎,0,,\n2,%1,0,0,\"佐藤, 花子\",0,,\n3,%1,0,0,木\"村,0,,\n").arg(refYear));

        QByteArray scores;
        AddRecord(scores, 1, 1, 30, 0);     // 11 points
        AddRecord(scores, 1, 1, 60, 0);     // 5 points
        AddRecord(scores, 2, 1, 61, 10);    // 4 points, outside every window
        AddRecord(scores, 3, 2, 100, 0);    // 5 points on the target
        AddRecord(scores, 4, 2, 99999, 0);  // a time-out: no count, no points, no best time
        AddRecord(scores, 1200, 1, 20, 0);  // 19 points; beyond the school-best range
        QFile f(inst.DataFolder + QStringLiteral("成績累積データ.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(scores);
        f.close();

        const QString out = inst.Root + "results.csv";
        QString err;
        QCOMPARE(Run(inst, out, &err), 0);

        QFile result(out);
        QVERIFY(result.open(QIODevice::ReadOnly));
        const QByteArray expected = QByteArray("\xEF\xBB\xBF")
            + QStringLiteral(
                  "pupil,name,grade,level,attempts,points,judge_attempts,judge_points,ban_attempts,ban_points,"
                  "today_attempts,today_points,best_seconds,school_best_seconds,passed,overdoing\r\n"
                  "1,山田太郎,小３,1,2,16,2,16,2,16,2,16,30,30,1,0\r\n"
                  "2,\"佐藤, 花子\",小３,1,1,4,0,0,0,0,0,0,61,30,0,0\r\n"
                  "3,\"木\"\"村\",小３,2,1,5,1,5,1,5,1,5,100,100,0,0\r\n"
                  "1200,,,1,1,19,1,19,1,19,1,19,20,30,0,0\r\n")
                  .toUtf8();
        QCOMPARE(QString::fromUtf8(result.readAll()).split("\r\n"), QString::fromUtf8(expected).split("\r\n"));
    }

    // A disk that fills up while the export writes: exit status 1, the file and the system's reason
    // named, the previous export as it was and no half-written file left.
    void fullDiskLeavesThePreviousFile()
    {
        TestInstallation inst;
        inst.WriteAll();
        QTemporaryDir disk;
        if (!RunCommand({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", disk.path()}))
            QSKIP("cannot mount a small file system here (needs root)");
        const QString out = disk.path() + "/results.csv";
        const QByteArray previous("pupil,name\r\n1,previous\r\n");
        {
            QFile f(out);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(previous), previous.size());
        }
        {
            QFile filler(disk.path() + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        QString err;
        const int status = Run(inst, out, &err);
        QFile::remove(disk.path() + "/filler");
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        f.close();
        const QStringList left = QDir(disk.path()).entryList(QDir::Files);
        RunCommand({"umount", disk.path()});
        QCOMPARE(status, 1);
        QVERIFY2(err.contains(QDir::toNativeSeparators(out)), qPrintable(err));
        QVERIFY2(err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(err));
        QCOMPARE(after, previous);
        QCOMPARE(left, QStringList{QStringLiteral("results.csv")});
    }

    void configurationErrorGoesToStandardError()
    {
        TestInstallation inst; // no path file
        QString err;
        const QString out = inst.Root + "results.csv";
        QVERIFY(Run(inst, out, &err) != 0);
        QVERIFY2(err.contains(QStringLiteral("パスデータ.txt")), qPrintable(err));
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestResultExport)
#include "tst_ResultExport.moc"
