// Removing and changing records while other machines use the score file, with real processes: the
// test binary starts copies of itself as the other machines (with ZOME2_REWRITE_WORKER set, main()
// runs the worker instead of the tests). A deleting copy stops at a step of the delete
// (ZOME2_TEST_PAUSE_AT_STEP) to be killed there, or to be kept there holding the lock while another
// copy queues up for it.
#include "base/FatalError.h"
#include "records/LoadedScores.h"
#include "records/PendingAttempts.h"
#include "records/BackupTails.h"
#include "records/ScoreBackups.h"
#include "records/ScoreFile.h"
#include "records/ScoreJournal.h"
#include "records/ScoreRecordCodec.h"
#include "support/SecondsRecords.h"
#include "support/TestInstallation.h"
#include "support/WorkerProcesses.h"
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const RoleVariable = "ZOME2_REWRITE_WORKER";
const char* const FolderVariable = "ZOME2_REWRITE_FOLDER";
const char* const PauseVariable = "ZOME2_TEST_PAUSE_AT_STEP";
const QString FileName = QStringLiteral("成績累積データ.dat");
constexpr int Writers = 4;
constexpr int AppendsPerWriter = 600;
constexpr int StressDeletes = 40;

using SecondsRecords::Record;

// Pupil 1's records with these seconds.
QByteArray Numbered(const QList<int>& seconds)
{
    QByteArray bytes;
    for (const int n : seconds)
        bytes += ScoreRecordCodec::Encode(Record(1, n));
    return bytes;
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QString Joined(const QList<qint32>& numbers)
{
    QStringList parts;
    for (const qint32 n : numbers)
        parts << QString::number(n);
    return parts.join(u',');
}

int RunWorker(const QString& role)
{
    static bool toldWaiting = false;
    // Says once that it waits for the lock, so that the test knows it queued up.
    ScoreFile file(QString::fromLocal8Bit(qgetenv(FolderVariable)), [](int) {
        if (!toldWaiting) {
            std::printf("waiting\n");
            std::fflush(stdout);
            toldWaiting = true;
        }
        QThread::msleep(5);
    });
    const QStringList parts = role.split(u':');
    const auto number = [&parts](int i) { return parts.value(i).toInt(); };
    QString result = QStringLiteral("done");
    try {
        if (parts[0] == QLatin1String("remove")) { // remove:n — the record the file holds at n
            file.RemoveRecord(number(1), file.ReadRecord(number(1)));
        } else if (parts[0] == QLatin1String("removeseen")) { // removeseen:n:seconds — as a teacher saw it
            file.RemoveRecord(number(1), Record(1, number(2)));
        } else if (parts[0] == QLatin1String("writeseen")) { // writeseen:n:seen:new
            file.WriteRecord(number(1), Record(1, number(3)), Record(1, number(2)));
        } else if (parts[0] == QLatin1String("restore")) { // restore:k — the k-th backup, oldest first
            file.RestoreBackup(file.BackupNames().value(number(1)));
        } else if (parts[0] == QLatin1String("append")) {
            file.AppendScoreRecord(Record(1, number(1)));
        } else if (parts[0] == QLatin1String("read")) {
            QList<qint32> seconds;
            for (const ScoreRecord& r : file.ReadLastRecords(number(1)))
                seconds << r.Seconds;
            result = Joined(seconds);
        } else if (parts[0] == QLatin1String("load")) {
            auto scores = std::make_unique<LoadedScores>();
            file.LoadScoreRecords(*scores);
            QList<qint32> seconds;
            for (int k = 1; k <= scores->LoadedCount; ++k)
                seconds << scores->LoadedSeconds[k];
            result = Joined(seconds);
        } else if (parts[0] == QLatin1String("count")) {
            result = QString::number(file.RecordCount());
        } else if (parts[0] == QLatin1String("appendmany")) {
            // Pupil p appends seconds 0, 1, … in turn.
            for (int s = 0; s < AppendsPerWriter; ++s)
                file.AppendScoreRecord(Record(qint16(number(1)), s));
        } else if (parts[0] == QLatin1String("removeinitial")) { // the first record, when it is pupil 1's
            const ScoreRecord first = file.RecordCount() > 0 ? file.ReadRecord(1) : ScoreRecord();
            if (first.Pupil == 1)
                file.RemoveRecord(1, first);
        } else if (parts[0] == QLatin1String("queuemany")) {
            // Pupil p's attempts 0, 1, … as attempt ends record them: through this PC's queue.
            const PendingAttempts queue(QString::fromLocal8Bit(qgetenv(FolderVariable)) + QStringLiteral("../queue"),
                                        QString::fromLocal8Bit(qgetenv(FolderVariable)));
            for (int s = 0; s < number(2); ++s) {
                const ScoreRecord next = Record(qint16(number(1)), s);
                try {
                    queue.Flush(file, &next);
                } catch (const ScoreFile::Unreachable&) {
                    queue.Add(next);
                }
            }
            queue.Flush(file);
        } else if (parts[0] == QLatin1String("removemany")) {
            for (int removed = 0; removed < StressDeletes;) {
                if (file.RecordCount() > 0) {
                    file.RemoveRecord(1, file.ReadRecord(1));
                    ++removed;
                }
                QThread::msleep(1);
            }
        } else {
            std::fprintf(stderr, "unknown role %s\n", qPrintable(role));
            return 1;
        }
    } catch (const ScoreFile::Changed&) {
        result = QStringLiteral("changed");
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message));
        return 1;
    }
    std::printf("result %s\n", qPrintable(result));
    return 0;
}
} // namespace

class TestScoreFileRewrite : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Install;
    WorkerProcesses Workers;

    QString Path() const { return Install->DataFolder + FileName; }

    void WriteFile(const QByteArray& bytes)
    {
        QFile f(Path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    QStringList Backups() const { return ScoreBackups(Install->DataFolder).Names(); }

    // What else is in the data folder: a journal, passing copies, a note without its backup.
    QStringList Leftovers() const
    {
        QStringList names = QDir(Install->DataFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(FileName);
        for (const QString& backup : Backups()) {
            names.removeAll(backup);
            names.removeAll(BackupTails::FileNameOf(backup));
        }
        return names;
    }

    // As a PC appends that did not see the journal (a share's name cache): after the last whole
    // record, with no lock taken and no journal looked for.
    void AppendUnaware(const QList<int>& seconds)
    {
        QFile f(Path());
        QVERIFY(f.open(QIODevice::ReadWrite));
        for (const int s : seconds) {
            QVERIFY(f.seek(f.size() / ScoreRecordCodec::Size * ScoreRecordCodec::Size));
            QCOMPARE(f.write(ScoreRecordCodec::Encode(Record(2, s))), qint64(ScoreRecordCodec::Size));
        }
    }

    QProcess& Start(const QString& role, const QString& pauseAt = QString(), const QStringList& account = {})
    {
        QMap<QString, QString> env{{RoleVariable, role}, {FolderVariable, Install->DataFolder}};
        if (!pauseAt.isEmpty())
            env.insert(PauseVariable, pauseAt);
        return Workers.Start(env, account);
    }
    static bool WaitForLine(QProcess& p, const QByteArray& line) { return WorkerProcesses::WaitForLine(p, line); }
    static QByteArray Result(QProcess& p) { return WorkerProcesses::Result(p); }

    void KillAt(const QString& role, const QString& step)
    {
        QProcess& p = Start(role, step);
        QVERIFY2(WaitForLine(p, "paused at " + step.toLatin1()), qPrintable(role + " " + step));
        p.kill();
        QVERIFY(p.waitForFinished(30000));
    }

private slots:
    void init() { Install = std::make_unique<TestInstallation>(); }
    void cleanup() { Workers.KillAll(); }

    void killedAtEveryStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("done"); // the delete stands once the next operation has run
        QTest::addColumn<int>("backups");
        QTest::newRow("locked") << "locked" << false << 0;
        QTest::newRow("backup made") << "backed-up" << false << 1;
        QTest::newRow("journal written") << "journaled" << true << 1;
        QTest::newRow("records moved") << "moved" << true << 1;
        QTest::newRow("file cut") << "cut" << true << 1;
        QTest::newRow("file synced") << "synced" << true << 1;
        QTest::newRow("journal gone") << "done" << true << 1;
    }
    // Killed at any step, the next load sees the whole old content or the whole new one, never a
    // mix; it finishes what the journal speaks of and leaves nothing half-done beside the file.
    // The next delete and append work, and the backups hold earlier contents only.
    void killedAtEveryStep()
    {
        QFETCH(QString, step);
        QFETCH(bool, done);
        QFETCH(int, backups);
        const QByteArray old = Numbered({1, 2, 3, 4, 5});
        WriteFile(old);
        KillAt(QStringLiteral("remove:2"), step);

        QCOMPARE(Result(Start(QStringLiteral("load"))), done ? QByteArray("1,3,4,5") : QByteArray("1,2,3,4,5"));
        const QByteArray after = done ? Numbered({1, 3, 4, 5}) : old;
        QCOMPARE(Contents(Path()), after);
        QCOMPARE(Leftovers(), QStringList());
        QCOMPARE(Backups().size(), backups);
        for (const QString& name : Backups())
            QCOMPARE(Contents(Install->DataFolder + name), old);

        QCOMPARE(Result(Start(QStringLiteral("remove:1"))), QByteArray("done"));
        QCOMPARE(Result(Start(QStringLiteral("append:6"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), after.mid(ScoreRecordCodec::Size) + Numbered({6}));
        QCOMPARE(Leftovers(), QStringList());
        QCOMPARE(Contents(Install->DataFolder + Backups().last()), after);
    }

    void appendsAfterACutOffDeleteKept_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("appends");
        for (const char* step : {"journaled", "moved", "cut", "synced"})
            for (const int appends : {1, 2})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2 appended").arg(QString::fromLatin1(step)).arg(appends)))
                    << QString::fromLatin1(step) << appends;
    }
    // A PC that did not see the journal of a delete killed part-way appended meanwhile: its
    // attempts are kept after the delete's content, each once, in order, whoever finishes it.
    void appendsAfterACutOffDeleteKept()
    {
        QFETCH(QString, step);
        QFETCH(int, appends);
        WriteFile(Numbered({1, 2, 3, 4, 5}));
        KillAt(QStringLiteral("remove:2"), step);
        QList<int> late;
        for (int a = 0; a < appends; ++a)
            late << 70 + a;
        AppendUnaware(late);

        QCOMPARE(Result(Start(QStringLiteral("count"))), QByteArray::number(4 + appends));
        QByteArray expected = Numbered({1, 3, 4, 5});
        for (const int s : late)
            expected += ScoreRecordCodec::Encode(Record(2, s));
        QCOMPARE(Contents(Path()), expected);
        QCOMPARE(Leftovers(), QStringList());
    }

    // The one that finishes a cut-off delete is killed too, at each step of its own rewrite, after
    // more unaware appends: the third one still ends with every attempt once.
    void finishingKilledToo_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("moved") << "moved";
        QTest::newRow("cut") << "cut";
        QTest::newRow("synced") << "synced";
    }
    void finishingKilledToo()
    {
        QFETCH(QString, step);
        WriteFile(Numbered({1, 2, 3, 4, 5}));
        KillAt(QStringLiteral("remove:1"), QStringLiteral("moved"));
        AppendUnaware({70});
        KillAt(QStringLiteral("count"), step);
        AppendUnaware({71});
        QCOMPARE(Result(Start(QStringLiteral("read:100"))), QByteArray("2,3,4,5,70,71"));
        QCOMPARE(Leftovers(), QStringList());
    }

    // A journal that cannot be trusted, or whose backup is gone: nothing is guessed and nothing
    // written; every operation says so, naming both files and what to do.
    void untrustworthyJournalRefused_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("journal damaged") << "journal";
        QTest::newRow("backup missing") << "backup";
        QTest::newRow("backup of another content") << "other";
    }
    void untrustworthyJournalRefused()
    {
        QFETCH(QString, damage);
        WriteFile(Numbered({1, 2, 3, 4, 5}));
        KillAt(QStringLiteral("remove:2"), QStringLiteral("moved"));
        const QString journal = Install->DataFolder + ScoreJournal::FileName();
        const QString backup = Install->DataFolder + Backups().value(0);
        if (damage == QLatin1String("journal")) {
            QFile f(journal);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(40));
            f.write("X");
        } else if (damage == QLatin1String("backup")) {
            QVERIFY(QFile::remove(backup));
        } else {
            QFile f(backup);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(Numbered({9, 9, 9, 9, 9}));
        }
        const QByteArray stopped = Contents(Path());
        for (const char* role : {"append:6", "load", "remove:1"}) {
            QProcess& p = Start(QString::fromLatin1(role));
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 1);
            const QString said = QString::fromLocal8Bit(p.readAllStandardError());
            QVERIFY2(said.contains(QStringLiteral("続きができません")), qPrintable(said));
            QVERIFY2(said.contains(QDir::toNativeSeparators(journal)), qPrintable(said));
            if (damage != QLatin1String("journal"))
                QVERIFY2(said.contains(QDir::toNativeSeparators(backup)), qPrintable(said));
            QVERIFY2(said.contains(QStringLiteral("先生へ")), qPrintable(said));
        }
        QCOMPARE(Contents(Path()), stopped);
        QVERIFY(QFile::exists(journal));
    }

    void waitingOperationSeesTheNewContent_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("pauseAt");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("append") << "append:6" << "locked" << QList<int>{1, 3, 4, 5, 6} << QByteArray("done");
        QTest::newRow("append queued during the move")
            << "append:6" << "moved" << QList<int>{1, 3, 4, 5, 6} << QByteArray("done");
        QTest::newRow("another delete") << "remove:1" << "journaled" << QList<int>{3, 4, 5} << QByteArray("done");
        QTest::newRow("last records") << "read:10" << "locked" << QList<int>{1, 3, 4, 5} << QByteArray("1,3,4,5");
        QTest::newRow("load") << "load" << "cut" << QList<int>{1, 3, 4, 5} << QByteArray("1,3,4,5");
        QTest::newRow("count") << "count" << "locked" << QList<int>{1, 3, 4, 5} << QByteArray("4");
    }
    // Another machine queues up for the lock while a delete holds it; it then works on the file as
    // the delete left it: its append lands once, its own delete applies to the new records, its
    // reads see them. The old content stays in the first backup.
    void waitingOperationSeesTheNewContent()
    {
        QFETCH(QString, role);
        QFETCH(QString, pauseAt);
        QFETCH(QList<int>, after);
        QFETCH(QByteArray, result);
        const QByteArray old = Numbered({1, 2, 3, 4, 5});
        WriteFile(old);
        QProcess& deleter = Start(QStringLiteral("remove:2"), pauseAt);
        QVERIFY(WaitForLine(deleter, "paused at " + pauseAt.toLatin1()));
        QProcess& other = Start(role);
        QVERIFY(WaitForLine(other, "waiting"));
        deleter.write("\n");
        QCOMPARE(Result(deleter), QByteArray("done"));
        QCOMPARE(Result(other), result);
        QCOMPARE(Contents(Path()), Numbered(after));
        QVERIFY(!Backups().isEmpty());
        QCOMPARE(Contents(Install->DataFolder + Backups().first()), old);
    }

    // Two teachers delete and one edits what each of them saw, all at once: the first delete goes
    // through; the others find, under the lock that would change it, that their record is no longer
    // at its number, and change nothing.
    void racingDeletesAndEdit()
    {
        WriteFile(Numbered({1, 2, 3, 4, 5}));
        QProcess& first = Start(QStringLiteral("removeseen:2:2"), QStringLiteral("locked"));
        QVERIFY(WaitForLine(first, "paused at locked"));
        QProcess& edit = Start(QStringLiteral("writeseen:3:3:33"));
        QProcess& second = Start(QStringLiteral("removeseen:2:2"));
        QVERIFY(WaitForLine(edit, "waiting"));
        QVERIFY(WaitForLine(second, "waiting"));
        first.write("\n");
        QCOMPARE(Result(first), QByteArray("done"));
        QCOMPARE(Result(edit), QByteArray("changed"));
        QCOMPARE(Result(second), QByteArray("changed"));
        QCOMPARE(Contents(Path()), Numbered({1, 3, 4, 5}));
        QCOMPARE(Backups().size(), 1);
    }

    // The delete of a teacher's own account leaves the file with the pupils' account that owns it,
    // its mode and its identity: it is the same file, rewritten.
    void ownerAndModeStay()
    {
        if (::geteuid() != 0)
            QSKIP("running as another account needs root");
        WriteFile(Numbered({1, 2, 3}));
        const QByteArray path = QFile::encodeName(Path());
        QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(path.constData(), 0666), 0);
        for (const QString& folder : {Install->Root, Install->DataRoot, Install->DataFolder})
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
        struct stat before {};
        QCOMPARE(::stat(path.constData(), &before), 0);
        const QString copy = Install->Root + "teacher";
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QCOMPARE(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
        QCOMPARE(Result(Start(QStringLiteral("remove:2"), QString(),
                              {"--reuid=4321", "--regid=4321", "--clear-groups", copy})),
                 QByteArray("done"));
        struct stat after {};
        QCOMPARE(::stat(path.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_uid, uid_t(65534));
        QCOMPARE(after.st_gid, gid_t(65534));
        QCOMPARE(int(after.st_mode & 07777), 0666);
        QCOMPARE(Contents(Path()), Numbered({1, 3}));
    }

    // Going back to the backup of a delete gives the record back; an attempt appended after the
    // delete stays, at the end; the content before the restore is kept as a backup of its own.
    void restoreKeepsLaterAttempts()
    {
        const QByteArray old = Numbered({1, 2, 3, 4, 5});
        WriteFile(old);
        QCOMPARE(Result(Start(QStringLiteral("remove:2"))), QByteArray("done"));
        QCOMPARE(Result(Start(QStringLiteral("append:6"))), QByteArray("done"));
        const QByteArray beforeRestore = Contents(Path());
        QCOMPARE(Result(Start(QStringLiteral("restore:0"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), old + Numbered({6}));
        QCOMPARE(Backups().size(), 2);
        QCOMPARE(Contents(Install->DataFolder + Backups().last()), beforeRestore);
        QCOMPARE(Leftovers(), QStringList());
    }

    void restoreKilledAtEveryStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("done");
        QTest::newRow("locked") << "locked" << false;
        QTest::newRow("content written") << "backed-up" << false;
        QTest::newRow("journal written") << "journaled" << true;
        QTest::newRow("records written") << "moved" << true;
        QTest::newRow("file cut") << "cut" << true;
        QTest::newRow("file synced") << "synced" << true;
    }
    // Killed at any step, the next operation sees the content before the restore or the restored
    // one, never a mix, and nothing is left beside the file.
    void restoreKilledAtEveryStep()
    {
        QFETCH(QString, step);
        QFETCH(bool, done);
        const QByteArray old = Numbered({1, 2, 3, 4, 5});
        WriteFile(old);
        QCOMPARE(Result(Start(QStringLiteral("remove:1"))), QByteArray("done"));
        QCOMPARE(Result(Start(QStringLiteral("remove:1"))), QByteArray("done"));
        QCOMPARE(Result(Start(QStringLiteral("append:6"))), QByteArray("done"));
        const QByteArray now = Numbered({3, 4, 5, 6});
        QCOMPARE(Contents(Path()), now);
        KillAt(QStringLiteral("restore:0"), step); // the oldest backup: 1 … 5
        QCOMPARE(Result(Start(QStringLiteral("read:100"))), done ? QByteArray("1,2,3,4,5,6") : QByteArray("3,4,5,6"));
        QCOMPARE(Leftovers(), QStringList());
    }

    void damagedBackupRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("records no attempt has") << QByteArray(88, '\xff');
        QTest::newRow("a copy cut short") << Numbered({1, 2}) + Numbered({3}).left(17);
        QTest::newRow("17 bytes") << Numbered({1}).left(17);
    }
    // A backup that is not a score file's content, whatever its damage, is listed as damaged and
    // refused by name; the file stays as it was.
    void damagedBackupRefused()
    {
        QFETCH(QByteArray, content);
        WriteFile(Numbered({1, 2, 3}));
        QCOMPARE(Result(Start(QStringLiteral("remove:1"))), QByteArray("done"));
        const QString backup = Install->DataFolder + Backups().value(0);
        QFile f(backup);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        const std::vector<ScoreFile::BackupInfo> listed = ScoreFile(Install->DataFolder, [](int) {}).DescribeBackups();
        QCOMPARE(listed.size(), std::size_t(1));
        QVERIFY(!listed[0].Damage.isEmpty());
        const QByteArray before = Contents(Path());
        QProcess& p = Start(QStringLiteral("restore:0"));
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QString said = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("この控えには戻せません")) && said.contains(QDir::toNativeSeparators(backup)),
                 qPrintable(said));
        QCOMPARE(Contents(Path()), before);
        QCOMPARE(Backups().size(), 1);
        QCOMPARE(Leftovers(), QStringList());
    }

    // A restore can itself be taken back: going back to the backup the restore made gives exactly
    // the content before the restore, not the records it brought back moved to the end.
    void restoreTakenBack()
    {
        WriteFile(Numbered({1, 2, 3}));
        QCOMPARE(Result(Start(QStringLiteral("remove:2"))), QByteArray("done")); // 1, 3
        QCOMPARE(Result(Start(QStringLiteral("append:4"))), QByteArray("done")); // 1, 3, 4
        QCOMPARE(Result(Start(QStringLiteral("restore:0"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), Numbered({1, 2, 3, 4}));
        QCOMPARE(Result(Start(QStringLiteral("append:5"))), QByteArray("done"));
        QCOMPARE(Result(Start(QStringLiteral("restore:1"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), Numbered({1, 3, 4, 5}));
        // And forward again, to the content the first restore gave.
        QCOMPARE(Result(Start(QStringLiteral("restore:2"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), Numbered({1, 2, 3, 4, 5}));
        QCOMPARE(Leftovers(), QStringList());
    }

    // A backup without its note (made by an older version) is still restored, keeping the records
    // it does not hold, and the teacher is told beforehand that the appended records are guessed.
    void backupWithoutANote()
    {
        WriteFile(Numbered({1, 2, 3}));
        QCOMPARE(Result(Start(QStringLiteral("remove:2"))), QByteArray("done"));
        QCOMPARE(Result(Start(QStringLiteral("append:4"))), QByteArray("done"));
        const ScoreFile file(Install->DataFolder, [](int) {});
        QVERIFY(file.DescribeBackups().at(0).KnowsAppended);
        QVERIFY(QFile::remove(Install->DataFolder + BackupTails::FileNameOf(Backups().value(0))));
        QVERIFY(!file.DescribeBackups().at(0).KnowsAppended);
        QCOMPARE(Result(Start(QStringLiteral("restore:0"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), Numbered({1, 2, 3, 4}));
        QCOMPARE(Leftovers(), QStringList());
    }

    // An attempt appended after a delete that has the same date, time of day and level as the
    // deleted record (another pupil's, at the same second) is not taken for that record changed.
    void restoreKeepsAnAttemptLikeTheDeletedOne()
    {
        WriteFile(Numbered({1, 2, 3}));
        QCOMPARE(Result(Start(QStringLiteral("remove:2"))), QByteArray("done"));
        AppendUnaware({2}); // pupil 2's, at pupil 1's deleted record's moment
        QCOMPARE(Result(Start(QStringLiteral("restore:0"))), QByteArray("done"));
        QCOMPARE(Contents(Path()), Numbered({1, 2, 3}) + ScoreRecordCodec::Encode(Record(2, 2)));
    }

    // Passing copies a killed rewrite left go with the next operation once they are a few minutes
    // old (a PC whose locks do not reach the server may be writing a fresh one); a backup that no
    // rewrite followed goes before the next delete and does not count among the kept ones.
    void leftoversCleared()
    {
        WriteFile(Numbered({1, 2, 3}));
        KillAt(QStringLiteral("remove:1"), QStringLiteral("backed-up"));
        QCOMPARE(Backups().size(), 1);
        const QString stale = Install->DataFolder + QStringLiteral("成績累積データ_20261201-101010.bak.new-AbC123");
        const QString fresh = Install->DataFolder + QStringLiteral("成績累積データ.journal.new-XyZ789");
        for (const QString& name : {stale, fresh}) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(Numbered({1, 2, 3}));
        }
        QFile old(stale);
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-600), QFileDevice::FileModificationTime));
        old.close();
        QCOMPARE(Result(Start(QStringLiteral("append:4"))), QByteArray("done"));
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::exists(fresh));
        QVERIFY(QFile::remove(fresh));
        QCOMPARE(Result(Start(QStringLiteral("remove:1"))), QByteArray("done"));
        QCOMPARE(Backups().size(), 1);
        QCOMPARE(Contents(Install->DataFolder + Backups().value(0)), Numbered({1, 2, 3, 4}));
        QCOMPARE(Leftovers(), QStringList());
    }

    // What a journal on the disk names stays, even when the cleanup runs as on a PC whose view of
    // the folder missed the journal.
    void journalNamedFilesStay()
    {
        WriteFile(Numbered({1, 2, 3}));
        QCOMPARE(Result(Start(QStringLiteral("remove:1"))), QByteArray("done"));
        KillAt(QStringLiteral("restore:0"), QStringLiteral("journaled"));
        const QStringList before = QDir(Install->DataFolder).entryList(QDir::Files);
        QVERIFY(before.contains(ScoreBackups::RestoreSource()));
        ScoreBackups(Install->DataFolder).RemoveUnfinished();
        ScoreBackups(Install->DataFolder).RemoveOrphans(Contents(Path()));
        QCOMPARE(QDir(Install->DataFolder).entryList(QDir::Files), before);
        QCOMPARE(Result(Start(QStringLiteral("read:100"))), QByteArray("1,2,3"));
        QCOMPARE(Leftovers(), QStringList());
    }

    void soak_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("short") << quint32(20261211);
    }
    // Deletes and restores killed at random steps, or left to finish, while two PCs append and a
    // third records through its queue: in the end every appended attempt is in the file exactly
    // once, in its order, and nothing is left beside the file. ZOME2_SOAK_ROUNDS makes it longer.
    void soak()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const int rounds = std::max(12, qEnvironmentVariableIntValue("ZOME2_SOAK_ROUNDS"));
        const int perWriter = std::max(150, rounds * 8);
        QList<int> initial;
        for (int k = 1; k <= 40; ++k)
            initial << 100000 + k;
        WriteFile(Numbered(initial));
        std::vector<QProcess*> writers{&Start(QStringLiteral("appendmany:2")), &Start(QStringLiteral("appendmany:3")),
                                       &Start(QStringLiteral("queuemany:4:%1").arg(perWriter))};
        const QStringList steps{"locked", "backed-up", "journaled", "moved", "cut", "synced", "done"};
        for (int round = 0; round < rounds; ++round) {
            const QStringList names = Backups();
            const bool restore = !names.isEmpty() && random.bounded(3u) == 0;
            const QString role = restore ? QStringLiteral("restore:%1").arg(random.bounded(quint32(names.size())))
                                         : QStringLiteral("removeinitial");
            if (random.bounded(4u) == 0) {
                QCOMPARE(Result(Start(role)), QByteArray("done"));
                continue;
            }
            const QString step = steps.value(int(random.bounded(quint32(steps.size()))));
            QProcess& p = Start(role, step);
            // A delete with nothing left to delete ends without reaching its steps.
            if (WaitForLine(p, "paused at " + step.toLatin1()))
                p.kill();
            p.waitForFinished(30000);
        }
        for (QProcess* w : writers)
            QCOMPARE(Result(*w), QByteArray("done"));
        const QList<qint32> seconds = [&] {
            QList<qint32> all;
            for (const QByteArray& n : Result(Start(QStringLiteral("read:100000"))).split(','))
                all << n.toInt();
            return all;
        }();
        const QByteArray bytes = Contents(Path());
        QMap<int, QList<int>> byPupil;
        for (qsizetype at = 0; at + ScoreRecordCodec::Size <= bytes.size(); at += ScoreRecordCodec::Size) {
            const ScoreRecord r = ScoreRecordCodec::Decode(bytes.constData() + at);
            byPupil[r.Pupil] << r.Seconds;
        }
        QCOMPARE(seconds.size(), bytes.size() / ScoreRecordCodec::Size);
        for (const int pupil : {2, 3})
            QCOMPARE(byPupil.value(pupil).size(), AppendsPerWriter);
        QCOMPARE(byPupil.value(4).size(), perWriter);
        for (const int pupil : {2, 3, 4})
            for (qsizetype k = 0; k < byPupil.value(pupil).size(); ++k)
                QCOMPARE(byPupil.value(pupil)[k], int(k));
        // Pupil 1's records: deleted or restored, never doubled.
        const QList<int> ones = byPupil.value(1);
        QCOMPARE(QSet<int>(ones.cbegin(), ones.cend()).size(), ones.size());
        QCOMPARE(Leftovers(), QStringList());
    }

    void restoresMatchTheirModel_data()
    {
        QTest::addColumn<quint32>("seed");
        const int runs = qEnvironmentVariableIntValue("ZOME2_RESTORE_PROPERTY_RUNS");
        for (int k = 1; k <= std::max(runs, 3); ++k)
            QTest::addRow("seed %d", k) << quint32(k * 7919);
    }
    // Deletes, restores of any backup and appends by another process in a random order, against a
    // model that knows when each record was appended: every restore gives the chosen backup's
    // content followed by exactly the records appended after it was made, in their order. Nothing
    // comes back that was deleted since, nothing is lost.
    void restoresMatchTheirModel()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        struct Backup {
            QList<int> Content;
            int Epoch = 0;
        };
        QList<int> model{1, 2, 3, 4, 5, 6};
        QMap<int, int> appendedIn; // record → the rewrites done before it was appended
        for (const int r : model)
            appendedIn[r] = 0;
        QMap<QString, Backup> backups;
        int epoch = 0;
        int next = 7;
        WriteFile(Numbered(model));
        const ScoreFile file(Install->DataFolder, [](int) {});
        for (int step = 0; step < 40; ++step) {
            const quint32 kind = random.bounded(3u);
            QString did;
            if (kind == 0 || model.isEmpty()) {
                did = QStringLiteral("append %1").arg(next);
                QCOMPARE(Result(Start(QStringLiteral("append:%1").arg(next))), QByteArray("done"));
                appendedIn[next] = epoch;
                model << next++;
            } else if (kind == 1 || backups.isEmpty()) {
                const int n = int(random.bounded(quint32(model.size()))) + 1;
                did = QStringLiteral("delete %1").arg(n);
                const QList<int> before = model;
                file.RemoveRecord(n, file.ReadRecord(n));
                model.removeAt(n - 1);
                backups.insert(Backups().last(), {before, epoch++});
            } else {
                const QStringList names = Backups();
                const QString chosen = names.value(int(random.bounded(quint32(names.size()))));
                did = QStringLiteral("restore %1").arg(chosen);
                const Backup b = backups.value(chosen);
                const QList<int> before = model;
                model = b.Content;
                for (const int r : before)
                    if (appendedIn.value(r) > b.Epoch)
                        model << r;
                file.RestoreBackup(chosen);
                backups.insert(Backups().last(), {before, epoch++});
            }
            QVERIFY2(Contents(Path()) == Numbered(model), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(did)));
            for (auto it = backups.cbegin(); it != backups.cend(); ++it)
                QVERIFY2(Contents(Install->DataFolder + it.key()) == Numbered(it.value().Content), qPrintable(it.key()));
        }
        QCOMPARE(Leftovers(), QStringList());
    }

    // Writers append while records are removed one after another: no append is lost or doubled, and
    // each writer's records stay in order.
    void appendsWhileRecordsAreRemoved()
    {
        std::vector<QProcess*> all{&Start(QStringLiteral("removemany"))};
        for (int w = 1; w <= Writers; ++w)
            all.push_back(&Start(QStringLiteral("appendmany:%1").arg(w)));
        for (QProcess* p : all)
            QCOMPARE(Result(*p), QByteArray("done"));

        const QByteArray bytes = Contents(Path());
        QCOMPARE(bytes.size(), (Writers * AppendsPerWriter - StressDeletes) * ScoreRecordCodec::Size);
        // What the deletes took is the first records of their moment, so each writer's survivors are
        // an unbroken run ending with its last append.
        int last[Writers + 1];
        std::fill(std::begin(last), std::end(last), -1);
        int first[Writers + 1] = {};
        for (qsizetype at = 0; at < bytes.size(); at += ScoreRecordCodec::Size) {
            const ScoreRecord r = ScoreRecordCodec::Decode(bytes.constData() + at);
            QVERIFY(r.Pupil >= 1 && r.Pupil <= Writers);
            if (last[r.Pupil] < 0)
                first[r.Pupil] = r.Seconds;
            else
                QCOMPARE(r.Seconds, last[r.Pupil] + 1);
            last[r.Pupil] = r.Seconds;
        }
        int removed = 0;
        for (int w = 1; w <= Writers; ++w) {
            QCOMPARE(last[w], AppendsPerWriter - 1);
            removed += first[w];
        }
        QCOMPARE(removed, StressDeletes);
        QCOMPARE(Leftovers(), QStringList());
        QCOMPARE(Backups().size(), StressDeletes); // all made just now
    }
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(RoleVariable);
    if (!role.isEmpty())
        return RunWorker(QString::fromLocal8Bit(role));
    QCoreApplication app(argc, argv);
    TestScoreFileRewrite test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ScoreFileRewrite.moc"
