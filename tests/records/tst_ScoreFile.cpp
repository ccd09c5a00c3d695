#include "support/AppCalls.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreBackups.h"
#include "records/ScoreFile.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "base/FatalError.h"
#include "base/OleDate.h"
#include "support/ManualClock.h"
#include "support/ReadOnlyFile.h"
#include "support/TestInstallation.h"
#include <QProcess>
#include <QTemporaryFile>
#include <cerrno>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(18, 0, 0));
const double Today = 46366; // 2026-12-10 as an OLE date

ScoreRecord Record(qint16 pupil, qint16 level, qint32 seconds, double date = Today)
{
    ScoreRecord r;
    r.Date = date;
    r.TimeOfDay = 0.5;
    r.Pupil = pupil;
    r.Level = level;
    r.Seconds = seconds;
    return r;
}

QByteArray FileBytes()
{
    QFile f(AppCalls::File().Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pupil 1's records on level 1 with these seconds.
QByteArray Numbered(const QList<int>& seconds)
{
    QByteArray bytes;
    for (const int n : seconds)
        bytes += ScoreRecordCodec::Encode(Record(1, 1, n));
    return bytes;
}

QList<int> Range(int first, int last)
{
    QList<int> numbers;
    for (int n = first; n <= last; ++n)
        numbers << n;
    return numbers;
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// The names in the data folder, sorted.
// The files of the data folder, without the backups' notes of appended records: each backup has
// one, and no note stays without its backup.
QStringList FolderFiles()
{
    QStringList names = QDir(TestSchool().DataFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end());
    QStringList notes;
    for (const QString& name : names)
        if (name.endsWith(QLatin1String(".tails")))
            notes << name;
    for (const QString& note : notes) {
        names.removeAll(note);
        if (!names.contains(note.chopped(6)))
            return {QStringLiteral("(a note without its backup) ") + note};
    }
    return names;
}

// Every cell of BestSeconds is 99999 except the ones listed.
bool BestEverywhereElseEmpty(const QList<QPair<int, int>>& except)
{
    for (int l = 0; l < 36; ++l)
        for (int p = 0; p <= 5000; ++p)
            if (!except.contains(qMakePair(l, p)) && TestSchool().Scores.BestSeconds(l, p) != 99999)
                return false;
    return true;
}
} // namespace

// A tmpfs of `kilobytes` mounted over a folder for as long as it lives (root only).
class SmallDisk {
public:
    SmallDisk(const QString& folder, int kilobytes) : Folder(folder)
    {
        Mounted = Run({"mount", "-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kilobytes), "tmpfs", Folder});
    }
    ~SmallDisk()
    {
        if (Mounted)
            Run({"umount", Folder});
    }
    bool Mounted = false;

private:
    static bool Run(const QStringList& command)
    {
        QProcess p;
        p.start(command.first(), command.mid(1));
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    QString Folder;
};

class TestScoreFile : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ResetTestScopes();
        Install = std::make_unique<TestInstallation>();
        Install->ApplyTo(TestSchool());
        TestEnv().TheClock = &Clock;
        Clock.Set(Now);
        TestEnv().Wait = [this](int ms) { Waits << ms; };
        Waits.clear();
    }

    // The 44 bytes of one appended record, written out by hand.
    void appendedRecordLayout()
    {
        TestSession().CurrentPupil = 1234;
        TestSession().CurrentLevel = 3;
        TestSession().RecordedSeconds = 99999;
        TestSchool().SchoolCode = QStringLiteral("12345");
        AppCalls::AppendScoreRecord();

        const QByteArray expected = QByteArray::fromHex(
            "00000000c0a3e640"   // Date 46366 (2026-12-10)
            "000000000000e83f"   // TimeOfDay 0.75 (18:00)
            "d204"               // Pupil 1234
            "0300"               // Level 3
            "9f860100"           // Seconds 99999
            "3132333435"         // "12345"
            "2020202020"         // five blanks
            "3020202020"         // "0" and four blanks
            "2020202020");       // blanks
        QCOMPARE(FileBytes().toHex(), expected.toHex());

        AppCalls::LoadScoreRecords();
        QCOMPARE(TestSchool().Scores.LoadedCount, 1);
        QCOMPARE(TestSchool().Scores.LoadedDate[1], 46366.0);
        QCOMPARE(TestSchool().Scores.LoadedTimeOfDay[1], 0.75);
        QCOMPARE(TestSchool().Scores.LoadedPupil[1], qint16(1234));
        QCOMPARE(TestSchool().Scores.LoadedLevel[1], qint16(3));
        QCOMPARE(TestSchool().Scores.LoadedSeconds[1], 99999);
        const ScoreRecord read = AppCalls::File().ReadRecord(1);
        QCOMPARE(ScoreRecordCodec::Encode(read).toHex(), expected.toHex());
    }

    void schoolCodeField_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("short code padded") << QStringLiteral("7") << QByteArray("7    ");
        QTest::newRow("empty code is blanks") << QString() << QByteArray("     ");
        QTest::newRow("long code cut") << QStringLiteral("1234567") << QByteArray("12345");
        QTest::newRow("double-byte character never split")
            << QStringLiteral("ab山田") << QByteArray("ab\x8e\x52 ");
    }
    void schoolCodeField()
    {
        QFETCH(QString, code);
        QFETCH(QByteArray, bytes);
        TestSchool().SchoolCode = code;
        TestSession().CurrentPupil = 1;
        TestSession().CurrentLevel = 1;
        AppCalls::AppendScoreRecord();
        QCOMPARE(FileBytes().mid(24, 5), bytes);
    }

    void missingFileIsCreatedEmpty()
    {
        QVERIFY(!QFile::exists(AppCalls::File().Path()));
        AppCalls::LoadScoreRecords();
        QVERIFY(QFile::exists(AppCalls::File().Path()));
        QCOMPARE(QFileInfo(AppCalls::File().Path()).size(), 0);
        QCOMPARE(TestSchool().Scores.LoadedCount, 0);
        QVERIFY(BestEverywhereElseEmpty({}));
        for (qint32 best : TestSchool().Scores.SchoolBestSeconds)
            QCOMPARE(best, 99999);
    }

    // A score file made where it was missing is appended to by every pupil's account, whatever the
    // umask of the one that made it; in a folder that hands its group down, by that group.
    void missingFileIsMadeForEveryAccount_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<bool>("setgidFolder");
        QTest::addColumn<int>("mode");
        QTest::newRow("usual umask") << 022 << false << 0666;
        QTest::newRow("private umask") << 077 << false << 0666;
        QTest::newRow("setgid folder") << 077 << true << 0664;
    }
    void missingFileIsMadeForEveryAccount()
    {
        QFETCH(int, umask);
        QFETCH(bool, setgidFolder);
        QFETCH(int, mode);
        const QByteArray folder = QFile::encodeName(TestSchool().DataFolder);
        QCOMPARE(::chmod(folder.constData(), setgidFolder ? 02775 : 0777), 0);
        const mode_t before = ::umask(mode_t(umask));
        AppCalls::LoadScoreRecords();
        ::umask(before);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(AppCalls::File().Path()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), mode);

        // A file that is there keeps its mode.
        QCOMPARE(::chmod(QFile::encodeName(AppCalls::File().Path()).constData(), 0640), 0);
        AppCalls::LoadScoreRecords();
        QCOMPARE(::stat(QFile::encodeName(AppCalls::File().Path()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0640);
    }

    void window_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("20005 records") << 20005;
        QTest::newRow("more than 16-bit record numbers") << 40000;
    }
    // Record n has n seconds, pupil n % 1000 + 1 and level n % 35 + 1.
    void window()
    {
        QFETCH(int, records);
        QByteArray bytes;
        for (int n = 1; n <= records; ++n)
            bytes += ScoreRecordCodec::Encode(Record(qint16(n % 1000 + 1), qint16(n % 35 + 1), n));
        AppCalls::WriteScoreBytes(bytes);

        AppCalls::LoadScoreRecords();
        const LoadedScores& s = TestSchool().Scores;
        QCOMPARE(s.LoadedCount, 20000);
        const int first = records - 20000 + 1;
        QCOMPARE(s.LoadedSeconds[1], first);
        QCOMPARE(s.LoadedPupil[1], qint16(first % 1000 + 1));
        QCOMPARE(s.LoadedLevel[1], qint16(first % 35 + 1));
        QCOMPARE(s.LoadedSeconds[20000], records);
        for (int k = 1; k <= 20000; ++k)
            QCOMPARE(s.LoadedSeconds[k], first + k - 1);
        // Pupil 2 on level 2 made records 1, 7001, 14001 …: the first one lies outside the window.
        QCOMPARE(s.BestSeconds(2, 2), records == 20005 ? 7001 : 21001);
        QCOMPARE(AppCalls::File().RecordCount(), records);
    }

    void partialTail()
    {
        QByteArray bytes;
        for (int n = 1; n <= 3; ++n)
            bytes += ScoreRecordCodec::Encode(Record(1, 1, n));
        AppCalls::WriteScoreBytes(bytes + QByteArray(20, '\x7f'));

        AppCalls::LoadScoreRecords();
        QCOMPARE(TestSchool().Scores.LoadedCount, 3);
        QCOMPARE(AppCalls::File().RecordCount(), 3);

        AppCalls::File().AppendScoreRecord(Record(2, 2, 44));
        const QByteArray after = FileBytes();
        QCOMPARE(after.size(), 4 * 44);
        QCOMPARE(after.left(3 * 44), bytes);
        QCOMPARE(after.mid(3 * 44), ScoreRecordCodec::Encode(Record(2, 2, 44)));
        AppCalls::LoadScoreRecords();
        QCOMPARE(TestSchool().Scores.LoadedCount, 4);
        QCOMPARE(TestSchool().Scores.LoadedSeconds[4], 44);
    }

    void slotRules_data()
    {
        QTest::addColumn<int>("pupil");
        QTest::addColumn<int>("level");
        QTest::addColumn<double>("date");
        QTest::addColumn<bool>("bestCounted");
        QTest::newRow("pupil 0") << 0 << 2 << Today << true;
        QTest::newRow("level 0") << 5 << 0 << Today << true;
        QTest::newRow("negative date") << 5 << 2 << -1.0 << true;
        QTest::newRow("pupil 5001 is damaged") << 5001 << 2 << Today << false;
        QTest::newRow("negative pupil is damaged") << -3 << 2 << Today << false;
        QTest::newRow("level 36 is damaged") << 5 << 36 << Today << false;
        QTest::newRow("negative level is damaged") << 5 << -1 << Today << false;
    }
    // The odd record lies between two good ones; it never takes a slot, and a damaged one counts
    // nowhere, ends nothing and stays in the file as it is.
    void slotRules()
    {
        QFETCH(int, pupil);
        QFETCH(int, level);
        QFETCH(double, date);
        QFETCH(bool, bestCounted);
        TestSchool().Criteria[2].TargetTime = 60;
        TestSchool().Criteria[2].PointRate = 1;
        const QByteArray bytes = ScoreRecordCodec::Encode(Record(7, 1, 70))
            + ScoreRecordCodec::Encode(Record(qint16(pupil), qint16(level), 50, date))
            + ScoreRecordCodec::Encode(Record(8, 1, 80));
        AppCalls::WriteScoreBytes(bytes);

        AppCalls::ComputeResultTables();
        const LoadedScores& s = TestSchool().Scores;
        QCOMPARE(s.LoadedCount, 2);
        QCOMPARE(s.LoadedSeconds[1], 70);
        QCOMPARE(s.LoadedSeconds[2], 80);
        QList<QPair<int, int>> bests{{1, 7}, {1, 8}};
        if (bestCounted) {
            QCOMPARE(s.BestSeconds(level, pupil), 50);
            bests << qMakePair(level, pupil);
        }
        QVERIFY(BestEverywhereElseEmpty(bests));
        QCOMPARE(s.SchoolBestSeconds[2], bestCounted && level == 2 && pupil >= 1 ? 50 : 99999);
        for (int l = 0; l < 36; ++l)
            for (int p = 0; p <= 5000; ++p)
                if (p != 7 && p != 8)
                    QCOMPARE(TestSchool().Results.TotalPoints(l, p) + TestSchool().Results.AttemptCount(l, p), 0);

        AppCalls::File().AppendScoreRecord(Record(9, 1, 90));
        QCOMPARE(FileBytes(), bytes + ScoreRecordCodec::Encode(Record(9, 1, 90)));
    }

    void schoolBestOverPupilsUpTo1000()
    {
        AppCalls::WriteScoreBytes(ScoreRecordCodec::Encode(Record(1001, 4, 10)) + ScoreRecordCodec::Encode(Record(5000, 4, 11))
                                  + ScoreRecordCodec::Encode(Record(1000, 4, 30)) + ScoreRecordCodec::Encode(Record(1, 4, 40))
                                  + ScoreRecordCodec::Encode(Record(0, 4, 5)) + ScoreRecordCodec::Encode(Record(2, 5, 3)));
        AppCalls::LoadScoreRecords();
        QCOMPARE(TestSchool().Scores.SchoolBestSeconds[4], 30);
        QCOMPARE(TestSchool().Scores.SchoolBestSeconds[5], 3);
        QCOMPARE(TestSchool().Scores.SchoolBestSeconds[6], 99999);
        QCOMPARE(TestSchool().Scores.BestSeconds(4, 1001), 10);
    }

    // A reload starts afresh even where the previous load or an attempt lowered a best time.
    void reloadForgetsVanishedBests()
    {
        AppCalls::WriteScoreBytes(ScoreRecordCodec::Encode(Record(7, 1, 30)) + ScoreRecordCodec::Encode(Record(900, 2, 20)));
        AppCalls::LoadScoreRecords();
        QCOMPARE(TestSchool().Scores.BestSeconds(1, 7), 30);
        TestSession().CurrentPupil = 3;
        TestSession().CurrentLevel = 2;
        TestSession().RecordedSeconds = 15;
        AppCalls::RecordAttempt(2);
        QCOMPARE(TestSchool().Scores.BestSeconds(2, 3), 15);

        AppCalls::WriteScoreBytes(ScoreRecordCodec::Encode(Record(8, 1, 40)));
        AppCalls::LoadScoreRecords();
        QVERIFY(BestEverywhereElseEmpty({{1, 8}}));
        QCOMPARE(TestSchool().Scores.SchoolBestSeconds[1], 40);
        QCOMPARE(TestSchool().Scores.SchoolBestSeconds[2], 99999);
        QCOMPARE(TestSchool().Scores.LoadedCount, 1);
    }

    void lostDataFolder_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("load") << 0;
        QTest::newRow("append") << 1;
    }
    void lostDataFolder()
    {
        QFETCH(int, operation);
        TestSchool().DataFolder = Install->Root + QStringLiteral("gone/prog/");
        try {
            if (operation == 0)
                AppCalls::LoadScoreRecords();
            else
                AppCalls::File().AppendScoreRecord(Record(1, 1, 1));
            QFAIL("no error for a missing folder");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.startsWith(QStringLiteral("ファイルがありません")), qPrintable(e.Message));
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(AppCalls::File().Path())), qPrintable(e.Message));
        }
        QCOMPARE(Waits, QList<int>({5000, 5000, 5000}));
        QVERIFY(!QFileInfo::exists(Install->Root + QStringLiteral("gone")));
    }

    void readOnlyFileCannotBeAppended()
    {
        AppCalls::WriteScoreBytes(ScoreRecordCodec::Encode(Record(1, 1, 1)));
        const ReadOnlyFile readOnly(AppCalls::File().Path());
        if (!readOnly.Error.isEmpty())
            QSKIP(qPrintable(readOnly.Error));
        AppCalls::LoadScoreRecords(); // readers still read
        QCOMPARE(TestSchool().Scores.LoadedCount, 1);
        try {
            AppCalls::File().AppendScoreRecord(Record(2, 2, 2));
            QFAIL("appended to a read-only file");
        } catch (const FatalError& e) {
            // What is true, at once: the file cannot be written.
            QVERIFY2(e.Message.startsWith(QStringLiteral("成績ファイルに書き込めません")), qPrintable(e.Message));
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(AppCalls::File().Path())), qPrintable(e.Message));
        }
        QVERIFY(Waits.isEmpty());
        QCOMPARE(FileBytes(), ScoreRecordCodec::Encode(Record(1, 1, 1)));
    }

    // A folder that takes no new file, and no score file in it: said at once, naming the folder.
    void readOnlyFolderWithoutTheFile()
    {
        const QString folder = Install->DataFolder;
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        const ReadOnlyFile readOnly(folder.chopped(1));
        if (!readOnly.Error.isEmpty()) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP(qPrintable(readOnly.Error));
        }
        try {
            AppCalls::LoadScoreRecords();
            QFAIL("loaded a file that is not there");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.startsWith(QStringLiteral("成績ファイルがなく、このフォルダには作れません")), qPrintable(e.Message));
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(folder.chopped(1))), qPrintable(e.Message));
        }
        QVERIFY(Waits.isEmpty());
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Every value of the loader's diagnostic stands after its own label.
    void diagnosticMessage()
    {
        // More records than record numbers count: a sparse file, no disk space taken.
        QFile f(AppCalls::File().Path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (!f.resize(qint64(std::numeric_limits<qint32>::max()) * ScoreRecordCodec::Size + ScoreRecordCodec::Size))
            QSKIP("no sparse file of that size here");
        f.close();
        try {
            AppCalls::LoadScoreRecords();
            QFAIL("no error");
        } catch (const FatalError& e) {
            QFile::remove(AppCalls::File().Path());
            QCOMPARE(e.Message, QStringLiteral("成績ランダムファイル表示327ファイルが大きすぎます27/date1899/12/30/i=0"
                                               "/time=00:00:00/name=/Bangou=0/level=0/time=0line3\n")
                                    + QDir::toNativeSeparators(AppCalls::File().Path()));
        }
        QFile::remove(AppCalls::File().Path());
    }

    void removeRecord_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<int>>("left");
        QTest::newRow("second of five") << 5 << QByteArray() << 2 << QList<int>{1, 3, 4, 5};
        QTest::newRow("first") << 5 << QByteArray() << 1 << QList<int>{2, 3, 4, 5};
        QTest::newRow("last") << 5 << QByteArray() << 5 << QList<int>{1, 2, 3, 4};
        QTest::newRow("the only one") << 1 << QByteArray() << 1 << QList<int>{};
        QTest::newRow("partial record at the end dropped") << 5 << QByteArray("tail") << 3 << QList<int>{1, 2, 4, 5};
        QTest::newRow("last whole one before 43 bytes") << 3 << QByteArray(43, '\x7f') << 3 << QList<int>{1, 2};
    }
    // The rest stays in order, and the file as it was stays beside it as the one backup.
    void removeRecord()
    {
        QFETCH(int, records);
        QFETCH(QByteArray, tail);
        QFETCH(int, n);
        QFETCH(QList<int>, left);
        const QByteArray old = Numbered(Range(1, records)) + tail;
        AppCalls::WriteScoreBytes(old);
        Clock.Set(QDateTime(QDate(2026, 12, 10), QTime(15, 30, 12)));
        Remove(n);
        QCOMPARE(FileBytes(), Numbered(left));
        QCOMPARE(File().RecordCount(), left.size());
        const QString backup = QStringLiteral("成績累積データ_20261210-153012.bak");
        QCOMPARE(FolderFiles(), QStringList({QStringLiteral("成績累積データ.dat"), backup}));
        QCOMPARE(Contents(TestSchool().DataFolder + backup), old);
        if (!left.isEmpty())
            QCOMPARE(File().ReadRecord(left.size()).Seconds, left.last());
    }

    // Each delete keeps the file before it. Of backups more than 30 days old only the newest five
    // stay, in the order of their names, also where the clock stands still (numbers past 9 included)
    // or goes back; a file that only looks like a backup is never touched.
    void onlyTheLastBackupsStay()
    {
        const QStringList others{QStringLiteral("成績累積データ_メモ.bak"), QStringLiteral("成績累積データ_20200101-000000.txt"),
                                 QStringLiteral("成績累積データ_2020.bak"), QStringLiteral("成績累積データtemp.dat")};
        for (const QString& name : others) {
            QFile f(TestSchool().DataFolder + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        AppCalls::WriteScoreBytes(Numbered(Range(1, 20)));
        const QDate day(2026, 10, 1);
        // Delete k removes the first record, 1 … 14 in turn.
        QList<QPair<QTime, QString>> deletes{{QTime(15, 30, 0), QStringLiteral("20261001-153000")},
                                             {QTime(15, 30, 1), QStringLiteral("20261001-153001")},
                                             {QTime(15, 30, 2), QStringLiteral("20261001-153002")}};
        for (int k = 2; k <= 10; ++k)
            deletes.append({QTime(15, 30, 2), QStringLiteral("20261001-153002_%1").arg(k)});
        deletes.append({QTime(14, 0, 0), QStringLiteral("20261001-153002_11")}); // the clock went back
        deletes.append({QTime(15, 30, 5), QStringLiteral("20261001-153005")});
        for (const auto& [time, stamp] : deletes) {
            Clock.Set(QDateTime(day, time));
            Remove(1);
        }
        // Nothing pruned while they are recent.
        QCOMPARE(FolderFiles().size(), others.size() + 1 + deletes.size());
        Clock.Set(QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0)));
        Remove(1);
        QStringList expected = others;
        expected << QStringLiteral("成績累積データ.dat");
        for (qsizetype k = deletes.size() - 4; k < deletes.size(); ++k) {
            const QString name = QStringLiteral("成績累積データ_%1.bak").arg(deletes[k].second);
            expected << name;
            QCOMPARE(Contents(TestSchool().DataFolder + name), Numbered(Range(int(k) + 1, 20)));
        }
        expected << QStringLiteral("成績累積データ_20261210-100000.bak");
        std::sort(expected.begin(), expected.end());
        QCOMPARE(FolderFiles(), expected);
        QCOMPARE(FileBytes(), Numbered(Range(16, 20)));
    }

    void backupsKept_data()
    {
        QTest::addColumn<QList<int>>("ages");      // days before now, oldest first
        QTest::addColumn<QList<int>>("megabytes"); // of each
        QTest::addColumn<QList<int>>("kept");      // which of them stay
        QTest::newRow("recent ones all stay") << QList<int>{29, 10, 5, 4, 3, 2, 1, 0} << QList<int>{1, 1, 1, 1, 1, 1, 1, 1}
                                              << QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("older than 30 days beyond the newest five go")
            << QList<int>{60, 50, 40, 31, 3, 2, 1, 0, 0} << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1} << QList<int>{4, 5, 6, 7, 8};
        QTest::newRow("the newest five stay however old") << QList<int>{400, 300, 200, 100, 90, 80}
                                                          << QList<int>{1, 1, 1, 1, 1, 1} << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("100 MB in all") << QList<int>{6, 5, 4, 3, 2, 1, 0} << QList<int>{1, 1, 30, 30, 30, 30, 1}
                                       << QList<int>{2, 3, 4, 5, 6};
        QTest::newRow("a large one ends the older ones too") << QList<int>{7, 6, 5, 4, 3, 2, 1, 0}
                                                             << QList<int>{1, 1, 96, 1, 1, 1, 1, 1}
                                                             << QList<int>{3, 4, 5, 6, 7};
        QTest::newRow("exactly 100 MB") << QList<int>{6, 5, 4, 3, 2, 1, 0} << QList<int>{20, 20, 20, 10, 10, 10, 10}
                                        << QList<int>{0, 1, 2, 3, 4, 5, 6};
    }
    // Beyond the newest five, backups stay while they are from the last 30 days and all kept take
    // at most 100 MB; each goes with its note, and a note without a backup goes too.
    void backupsKept()
    {
        QFETCH(QList<int>, ages);
        QFETCH(QList<int>, megabytes);
        QFETCH(QList<int>, kept);
        const QString folder = TestSchool().DataFolder;
        const QDateTime now(QDate(2026, 12, 10), QTime(12, 0, 0));
        QStringList names;
        for (qsizetype k = 0; k < ages.size(); ++k) {
            const QString name = QStringLiteral("成績累積データ_%1.bak")
                                     .arg(now.addDays(-ages[k]).addSecs(k).toString(QStringLiteral("yyyyMMdd-HHmmss")));
            names << name;
            QFile f(folder + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(megabytes[k]) * 1000 * 1000)); // sparse: no disk taken
            QFile note(folder + name + QStringLiteral(".tails"));
            QVERIFY(note.open(QIODevice::WriteOnly));
        }
        QFile stray(folder + QStringLiteral("成績累積データ_20200101-000000.bak.tails"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        ScoreBackups(folder).Prune(now);
        QStringList expected;
        for (const int k : kept)
            expected << names[k];
        QCOMPARE(ScoreBackups(folder).Names(), expected);
        QStringList notes = QDir(folder).entryList({QStringLiteral("*.tails")}, QDir::Files);
        for (QString& note : notes)
            note.chop(6);
        std::sort(notes.begin(), notes.end());
        QCOMPARE(notes, expected);
    }

    // A clock gone wrong still gives backups that the next delete finds and orders; made just now,
    // they are all kept.
    void backupsWithoutAValidClock()
    {
        AppCalls::WriteScoreBytes(Numbered(Range(1, 8)));
        Clock.Set(QDateTime());
        for (int k = 0; k < ScoreBackups::KeptAlways + 2; ++k)
            Remove(1);
        const QStringList names = FolderFiles();
        QCOMPARE(names.size(), 1 + ScoreBackups::KeptAlways + 2);
        const QRegularExpression backup(QStringLiteral("^成績累積データ_[0-9]{8}-[0-9]{6}(_[0-9]+)?\\.bak$"));
        for (const QString& name : names.mid(1))
            QVERIFY2(backup.match(name).hasMatch(), qPrintable(name));
        QCOMPARE(FileBytes(), Numbered({8}));
    }

    // A backup is a copy of its own, not another name of the file the delete then changes, with
    // the file's permission bits: whoever reads the file can read what it held.
    void backupIsACopyOfItsOwn()
    {
        const QByteArray old = Numbered(Range(1, 5));
        AppCalls::WriteScoreBytes(old);
        const QByteArray path = QFile::encodeName(File().Path());
        QCOMPARE(::chmod(path.constData(), 0664), 0);
        Clock.Set(QDateTime(QDate(2026, 12, 10), QTime(15, 30, 12)));
        Remove(4);
        QCOMPARE(FileBytes(), Numbered({1, 2, 3, 5}));
        const QString backup = TestSchool().DataFolder + QStringLiteral("成績累積データ_20261210-153012.bak");
        QCOMPARE(FolderFiles(), QStringList({QStringLiteral("成績累積データ.dat"), QFileInfo(backup).fileName()}));
        QCOMPARE(Contents(backup), old);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(backup).constData(), &st), 0);
        QCOMPARE(st.st_nlink, nlink_t(1));
        QCOMPARE(int(st.st_mode & 07777), 0664);
    }

    void newFileKeepsPermissions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("group may write (the umask would take that)") << 0664;
        QTest::newRow("everyone may write") << 0666;
        QTest::newRow("owner only") << 0600;
        QTest::newRow("group may read") << 0640;
    }
    void newFileKeepsPermissions()
    {
        QFETCH(int, mode);
        AppCalls::WriteScoreBytes(Numbered({1, 2, 3}));
        const QByteArray path = QFile::encodeName(File().Path());
        QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
        // The teacher's delete must leave the file to the pupils' account that owns it.
        const bool root = ::geteuid() == 0;
        if (root)
            QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
        struct stat st {};
        QCOMPARE(::stat(path.constData(), &st), 0);
        const uid_t owner = st.st_uid;
        const gid_t group = st.st_gid;
        const mode_t umask = ::umask(022);
        Remove(2);
        ::umask(umask);
        QCOMPARE(::stat(path.constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
        QCOMPARE(st.st_uid, owner);
        QCOMPARE(st.st_gid, group);
        QCOMPARE(FileBytes(), Numbered({1, 3}));
    }

    // A full disk while the backup is written: the file stays as it was, the half-written backup
    // goes, and the message says what failed and where.
    void fullDiskLeavesTheFileAsItWas()
    {
        const QString folder = TestSchool().DataFolder;
        SmallDisk disk(folder, 64);
        if (!disk.Mounted)
            QSKIP("cannot mount a tmpfs here (needs root)");
        const QByteArray old = Numbered(Range(1, 50)); // one page of the tmpfs
        AppCalls::WriteScoreBytes(old);
        QFile filler(folder + QStringLiteral("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        try {
            Remove(3);
            QFAIL("removed a record on a full disk");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.startsWith(QStringLiteral("成績ファイルの控えを作れません（ディスクの空き領域が足りません）。"
                                                         "成績ファイルはそのままです。")),
                     qPrintable(e.Message));
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(TestSchool().DataFolder + QStringLiteral("成績累積データ_"))),
                     qPrintable(e.Message));
        }
        QCOMPARE(FileBytes(), old);
        QCOMPARE(FolderFiles(), QStringList({QStringLiteral("filler"), QStringLiteral("成績累積データ.dat")}));
        // With room again the delete goes through.
        QVERIFY(QFile::remove(folder + QStringLiteral("filler")));
        Remove(3);
        QCOMPARE(FileBytes(), old.left(2 * 44) + old.mid(3 * 44));
    }

    // In place: the same file, nothing beside it.
    void rewriteRecordInPlace()
    {
        AppCalls::WriteScoreBytes(ScoreRecordCodec::Encode(Record(1, 1, 1)) + ScoreRecordCodec::Encode(Record(2, 2, 2))
                                  + ScoreRecordCodec::Encode(Record(3, 3, 3)));
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(File().Path()).constData(), &before), 0);
        ScoreRecord changed = Record(2, 2, 222);
        changed.SpareText4 = "abcde";
        File().WriteRecord(2, changed, Record(2, 2, 2));
        QCOMPARE(FileBytes(), ScoreRecordCodec::Encode(Record(1, 1, 1)) + ScoreRecordCodec::Encode(changed)
                                  + ScoreRecordCodec::Encode(Record(3, 3, 3)));
        QCOMPARE(File().ReadRecord(2).SpareText4, QByteArray("abcde"));
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(File().Path()).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(FolderFiles(), QStringList({QStringLiteral("成績累積データ.dat")}));
    }

    // The record the teacher chose is compared with the file under the lock that changes it: one
    // that another PC changed or moved meanwhile is refused, and nothing is written or kept.
    void changedRecordRefused_data()
    {
        QTest::addColumn<bool>("remove");
        QTest::newRow("rewrite") << false;
        QTest::newRow("remove") << true;
    }
    void changedRecordRefused()
    {
        QFETCH(bool, remove);
        const QByteArray bytes = Numbered({1, 2, 3});
        AppCalls::WriteScoreBytes(bytes);
        const ScoreRecord seen = Record(1, 1, 9); // what the teacher saw at number 2
        try {
            if (remove)
                File().RemoveRecord(2, seen);
            else
                File().WriteRecord(2, Record(1, 1, 99), seen);
            QFAIL("changed a record that is no longer the one chosen");
        } catch (const ScoreFile::Changed& e) {
            QVERIFY2(e.Message.contains(QStringLiteral("2番の記録が変わっています")), qPrintable(e.Message));
        }
        QCOMPARE(FileBytes(), bytes);
        QCOMPARE(FolderFiles(), QStringList({QStringLiteral("成績累積データ.dat")}));
    }

    void noSuchRecord_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("n");
        QTest::newRow("read 0") << 0 << 0;
        QTest::newRow("read past the end") << 0 << 3;
        QTest::newRow("write past the end") << 1 << 3;
        QTest::newRow("remove 0") << 2 << 0;
        QTest::newRow("remove past the end") << 2 << 3;
        QTest::newRow("remove negative") << 2 << -1;
    }
    // Said with the number and the file; nothing changes, and no backup is made.
    void noSuchRecord()
    {
        QFETCH(int, operation);
        QFETCH(int, n);
        const QByteArray bytes = ScoreRecordCodec::Encode(Record(1, 1, 1)) + ScoreRecordCodec::Encode(Record(2, 2, 2)) + "x";
        AppCalls::WriteScoreBytes(bytes);
        try {
            if (operation == 0)
                File().ReadRecord(n);
            else if (operation == 1)
                File().WriteRecord(n, Record(9, 9, 9), ScoreRecord());
            else
                Remove(n);
            QFAIL("no error");
        } catch (const FatalError& e) {
            QCOMPARE(e.Message, QStringLiteral("成績ファイルに%1番の記録がありません。\n").arg(n)
                                    + QDir::toNativeSeparators(File().Path()));
        }
        QCOMPARE(FileBytes(), bytes);
        QCOMPARE(FolderFiles(), QStringList({QStringLiteral("成績累積データ.dat")}));
    }

private:
    // The score file, its backups dated by the test's clock.
    ScoreFile File() const { return ScoreFile(AppCalls::File()).DateBackupsBy(Clock); }
    // The teacher's delete of the record the file holds at n.
    void Remove(qint32 n) const
    {
        File().RemoveRecord(n, n >= 1 && n <= File().RecordCount() ? File().ReadRecord(n) : ScoreRecord());
    }

    std::unique_ptr<TestInstallation> Install;
    ManualClock Clock;
    QList<int> Waits;
};

QTEST_GUILESS_MAIN(TestScoreFile)
#include "tst_ScoreFile.moc"
