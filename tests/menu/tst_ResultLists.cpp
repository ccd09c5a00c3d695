// The rows of the level menu's result lists, and the window of the score file they are built from.
// The test binary also serves as "another machine" holding the score file's write lock: with
// ZOME2_HOLD_FILE set, main() locks that file for ZOME2_HOLD_MS milliseconds instead of testing.
#include "menu/ResultLists.h"
#include "base/FatalError.h"
#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "records/LoadedScores.h"
#include "records/ResultTables.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include "support/TestInstallation.h"
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <numeric>
#include <unistd.h>

namespace {
const char* const HoldFileVariable = "ZOME2_HOLD_FILE";
const char* const HoldMsVariable = "ZOME2_HOLD_MS";

// Thursday 10 December 2026, 18:00.
const QDate Today(2026, 12, 10);
const QDateTime Now(Today, QTime(18, 0));

ScoreRecord Record(int pupil, int level, qint32 seconds, const QDate& date, const QTime& time)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(date);
    r.TimeOfDay = OleDate::FromTime(time);
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

ScoreRecord Numbered(qint32 n) { return Record(1, 1, n, Today, QTime(9, 0)); }

// The menu has three levels: no other level gets rows.
bool OnlyLevels123(const ResultLists::LevelRows& rows)
{
    for (std::size_t l = 0; l < rows.size(); ++l)
        if ((l < 1 || l > 3) && !rows[l].isEmpty())
            return false;
    return true;
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray Bytes(const std::vector<ScoreRecord>& records)
{
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += ScoreRecordCodec::Encode(r);
    return bytes;
}

QList<int> SecondsOf(const std::vector<ScoreRecord>& records)
{
    QList<int> s;
    for (const ScoreRecord& r : records)
        s.push_back(r.Seconds);
    return s;
}

QList<int> Range(int first, int last)
{
    QList<int> v;
    for (int n = first; n <= last; ++n)
        v.push_back(n);
    return v;
}

int RunHolder()
{
    const QByteArray path = qgetenv(HoldFileVariable);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0666);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0) {
        std::fprintf(stderr, "cannot lock %s\n", path.constData());
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    QThread::msleep(qgetenv(HoldMsVariable).toULong());
    ::close(fd);
    return 0;
}
} // namespace

class TestResultLists : public QObject {
    Q_OBJECT

    // Six pupils in the school year 2026, listed in the order 3, 1, 2, 4, 5, 6; pupil 1 is working.
    //   1 山田太郎 小３   2 佐藤花子 小３   3 鈴木一郎 小４   4 田中次郎 小３
    //   5 " 高橋" 小５ (a leading blank, kept by the rankings)   6 伊藤 小６
    // Every level's target is 60 s.
    std::unique_ptr<RosterTables> Roster;
    std::unique_ptr<LoadedScores> Scores;
    std::unique_ptr<ResultTables> Results;
    CriteriaTable Criteria{};
    LevelCatalogue Catalogue;
    ResultLists::Inputs In;

    void AddPupil(int n, const QString& name, int refYear)
    {
        Roster->PupilName[n] = RosterFile::Fixed20(name);
        Roster->PupilRefYear[n] = qint16(refYear);
    }

private slots:
    void init()
    {
        Roster = std::make_unique<RosterTables>();
        Roster->SchoolYear = 2026;
        AddPupil(1, QStringLiteral("山田太郎"), 2017);
        AddPupil(2, QStringLiteral("佐藤花子"), 2017);
        AddPupil(3, QStringLiteral("鈴木一郎"), 2016);
        AddPupil(4, QStringLiteral("田中次郎"), 2017);
        AddPupil(5, QStringLiteral(" 高橋"), 2015);
        AddPupil(6, QStringLiteral("伊藤"), 2014);
        const int listed[] = {3, 1, 2, 4, 5, 6};
        for (int k = 1; k <= 6; ++k)
            Roster->ListedPupils[k] = qint16(listed[k - 1]);
        Roster->ListedCount = 6;
        Scores = std::make_unique<LoadedScores>();
        Results = std::make_unique<ResultTables>();
        Criteria = CriteriaTable{};
        for (int l = 1; l < Limits::LevelSlots; ++l)
            Criteria[l].TargetTime = 60;
        Catalogue = LevelCatalogue();
        Catalogue.Build();

        In = ResultLists::Inputs();
        In.Roster = Roster.get();
        In.Scores = Scores.get();
        In.Results = Results.get();
        In.Criteria = &Criteria;
        In.Catalogue = &Catalogue;
        In.LevelCount = Catalogue.LevelCount;
        In.CurrentPupil = 1;
        In.GradeFilterText = QStringLiteral("全学年");
        In.Now = Now;
    }

    // ---- shared rules

    void passesGradeFilter_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<int>("grade");
        QTest::addColumn<bool>("passes");
        QTest::newRow("家族: a kindergarten child") << "家族" << -1 << true;
        QTest::newRow("家族: an adult") << "家族" << 40 << true;
        QTest::newRow("全学年") << "全学年" << 0 << true;
        QTest::newRow("小３ keeps grade 3") << "小３" << 3 << true;
        QTest::newRow("小３ drops grade 4") << "小３" << 4 << false;
        QTest::newRow("中学生全体") << "中学生全体" << 8 << true;
        QTest::newRow("小学生全体 drops grade 7") << "小学生全体" << 7 << false;
        QTest::newRow("half-width 小3 is no selector") << "小3" << 3 << false;
        QTest::newRow("empty text passes nobody") << "" << 3 << false;
    }
    void passesGradeFilter()
    {
        QFETCH(QString, selector);
        QFETCH(int, grade);
        QFETCH(bool, passes);
        QCOMPARE(ResultLists::PassesGradeFilter(selector, grade), passes);
    }

    // The week of Sunday 6 December to Sunday 13 December 2026.
    void periodDays_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("days");
        const char* const names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "next Sun"};
        const int thisWeek[] = {7, 1, 2, 3, 4, 5, 6, 7};
        const int sinceLastWeek[] = {14, 8, 9, 10, 11, 12, 13, 14};
        for (int d = 0; d < 8; ++d) {
            const QDate date(2026, 12, 6 + d);
            QTest::addRow("this week, %s", names[d]) << 1 << date << thisWeek[d];
            QTest::addRow("since last week, %s", names[d]) << 2 << date << sinceLastWeek[d];
        }
        QTest::newRow("thirty days") << 3 << Today << 30;
        QTest::newRow("a year") << 4 << Today << 365;
        QTest::newRow("ten years") << 5 << Today << 3650;
        QTest::newRow("0 keeps the previous days") << 0 << Today << 17;
        QTest::newRow("6 keeps the previous days") << 6 << Today << 17;
    }
    void periodDays()
    {
        QFETCH(int, period);
        QFETCH(QDate, today);
        QFETCH(int, days);
        QCOMPARE(ResultLists::PeriodDays(period, today, 17), days);
    }

    void listPoints_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("points");
        QTest::newRow("on the target") << 60 << 60 << 5;
        QTest::newRow("one second over") << 60 << 61 << 4;
        QTest::newRow("half the target, no rate") << 60 << 30 << 11;
        QTest::newRow("twice the target") << 60 << 120 << 1;
        QTest::newRow("ten times") << 60 << 600 << 0;
        // 1200 s is read as its first three digits, 120: ((1500 − 120) / 1500)³ × 50 + 5.
        QTest::newRow("four digits under a long target") << 1500 << 1200 << 43;
        QTest::newRow("99997 s under a huge target") << 200000 << 99997 << 54;
        QTest::newRow("99998 s is failed") << 200000 << 99998 << 0;
    }
    void listPoints()
    {
        QFETCH(int, target);
        QFETCH(int, seconds);
        QFETCH(int, points);
        QCOMPARE(ResultLists::ListPoints(target, seconds), points);
    }

    // ---- SortByKey

    // Worked by hand for "tie behind a smaller key", keys 7 7 4 with payload 1 2 3:
    //   pass 1: Sort(1,2) merges [7:1] with 7:2; 7 < 7 fails, so 7:2 first → 7:2 7:1.
    //           Sort(1,3) merges [7:2 7:1] with 4:3; 7 < 4 fails → 4:3, then the copies → 4:3 7:2 7:1.
    //   pass 2: Sort(1,2) merges [4:3] with 7:2; 4 < 7 → 4:3, and 7:2 stays → 4:3 7:2.
    //           Sort(1,3) merges [4:3 7:2] with 7:1; 4 < 7 → 4:3; 7 < 7 fails → 7:1; then 7:2.
    //   Result 3 1 2: one pass turns equal keys round, the second turns them back.
    void sortByKey_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QList<int>>("once");   // payload after one pass
        QTest::addColumn<QList<int>>("twice");  // after two
        QTest::newRow("nothing") << QList<int>{} << QList<int>{} << QList<int>{};
        QTest::newRow("one") << QList<int>{9} << QList<int>{1} << QList<int>{1};
        QTest::newRow("distinct") << QList<int>{30, 10, 20, 40} << QList<int>{2, 3, 1, 4} << QList<int>{2, 3, 1, 4};
        QTest::newRow("two equal") << QList<int>{5, 5} << QList<int>{2, 1} << QList<int>{1, 2};
        QTest::newRow("three equal") << QList<int>{5, 5, 5} << QList<int>{3, 2, 1} << QList<int>{1, 2, 3};
        QTest::newRow("tie behind a smaller key") << QList<int>{7, 7, 4} << QList<int>{3, 2, 1} << QList<int>{3, 1, 2};
        QTest::newRow("negative keys") << QList<int>{0, -3, std::numeric_limits<qint32>::min(), 2}
                                       << QList<int>{3, 2, 1, 4} << QList<int>{3, 2, 1, 4};
    }
    void sortByKey()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QList<int>, once);
        QFETCH(QList<int>, twice);
        const int n = int(keys.size());
        std::vector<qint32> k(std::size_t(n) + 1, -77);
        std::vector<qint16> p(std::size_t(n) + 1, -77);
        for (int i = 1; i <= n; ++i) {
            k[std::size_t(i)] = keys[i - 1];
            p[std::size_t(i)] = qint16(i);
        }
        ResultLists::SortByKey(n, k, p);
        QCOMPARE(QList<int>(p.begin() + 1, p.end()), once);
        QVERIFY(std::is_sorted(k.begin() + 1, k.end()));
        ResultLists::SortByKey(n, k, p);
        QCOMPARE(QList<int>(p.begin() + 1, p.end()), twice);
        QCOMPARE(k[0], -77); // element 0 is not part of the sort
        QCOMPARE(p[0], qint16(-77));
    }

    // Over many random arrays with few distinct keys: one pass lists equal keys in reverse input
    // order, two passes in input order.
    void sortByKeyAgainstStableSort()
    {
        QRandomGenerator random(20261210);
        for (int round = 0; round < 300; ++round) {
            const int n = random.bounded(1, 400);
            std::vector<qint32> k(std::size_t(n) + 1);
            std::vector<qint16> p(std::size_t(n) + 1);
            for (int i = 1; i <= n; ++i) {
                k[std::size_t(i)] = random.bounded(-3, 4);
                p[std::size_t(i)] = qint16(i);
            }
            const std::vector<qint32> input = k;
            std::vector<qint16> reversedTies(static_cast<std::size_t>(n));
            std::iota(reversedTies.begin(), reversedTies.end(), qint16(1));
            std::vector<qint16> keptTies = reversedTies;
            std::stable_sort(keptTies.begin(), keptTies.end(), [&](qint16 a, qint16 b) { return input[a] < input[b]; });
            std::sort(reversedTies.begin(), reversedTies.end(), [&](qint16 a, qint16 b) {
                return input[a] != input[b] ? input[a] < input[b] : a > b;
            });
            ResultLists::SortByKey(n, k, p);
            QVERIFY(std::equal(reversedTies.begin(), reversedTies.end(), p.begin() + 1));
            ResultLists::SortByKey(n, k, p);
            QVERIFY(std::equal(keptTies.begin(), keptTies.end(), p.begin() + 1));
        }
    }

    // ---- today's attempts

    void todayRows_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QStringList>("level1");
        QTest::addColumn<QStringList>("level2");
        QTest::addColumn<QStringList>("level3");
        const QStringList level1 = {
            QStringLiteral("  30秒 09:05●山田太郎　●11"),
            QStringLiteral("　　× 10:00③佐藤花子　③"),
            // Five-digit times lose their first digit in the five-character column.
            QStringLiteral("9999秒 13:00③佐藤花子　③0"),
            QStringLiteral("　　× 13:01③佐藤花子　③"),
        };
        const QStringList level2 = {QStringLiteral("　　× 11:30⑤高橋　　　⑤")};
        const QStringList level3 = {
            QStringLiteral("  60秒 12:00③田中次郎　③5"),
            QStringLiteral("  61秒 12:01③田中次郎　③4"),
            QStringLiteral("  -5秒 12:02⑥伊藤　　　⑥68"),
        };
        QTest::newRow("全学年") << "全学年" << level1 << level2 << level3;
        QTest::newRow("家族") << "家族" << level1 << level2 << level3;
        QTest::newRow("小３") << "小３" << level1 << QStringList() << level3.mid(0, 2);
        QTest::newRow("中１") << "中１" << QStringList() << QStringList() << QStringList();
    }
    void todayRows()
    {
        QFETCH(QString, selector);
        QFETCH(QStringList, level1);
        QFETCH(QStringList, level2);
        QFETCH(QStringList, level3);
        const QDate yesterday = Today.addDays(-1);
        const std::vector<ScoreRecord> records = {
            Record(1, 1, 30, Today, QTime(9, 5, 3)),
            Record(2, 1, 99999, Today, QTime(10, 0)),
            Record(0, 1, 40, Today, QTime(10, 1)),            // nobody's
            Record(3, 4, 40, Today, QTime(10, 2)),            // level 4: no column among three
            Record(1, 0, 40, Today, QTime(10, 3)),            // level 0: no column
            Record(5, 2, 2147483647, Today, QTime(11, 30)),
            Record(6000, 1, 40, Today, QTime(11, 31)),        // damaged
            Record(1, 36, 40, Today, QTime(11, 32)),          // damaged
            Record(-1, 1, 40, Today, QTime(11, 33)),          // damaged
            Record(4, 3, 60, Today, QTime(12, 0)),
            Record(4, 3, 61, Today, QTime(12, 1)),
            Record(6, 3, -5, Today, QTime(12, 2)),
            Record(1, 2, 30, yesterday, QTime(12, 3)),        // not today
            Record(2, 1, 89999, Today, QTime(13, 0)),
            Record(2, 1, 90000, Today, QTime(13, 1)),
            Record(1, 1, 30, Today.addDays(1), QTime(0, 0)),  // tomorrow (another machine's clock)
        };
        In.GradeFilterText = selector;
        const ResultLists::LevelRows rows = ResultLists::TodayRows(records, In);
        QVERIFY(OnlyLevels123(rows));
        QCOMPARE(rows[1], level1);
        QCOMPARE(rows[2], level2);
        QCOMPARE(rows[3], level3);
    }

    // Dates and times no day can hold are left out rather than written.
    void damagedDatesAreSkipped()
    {
        ScoreRecord nan = Record(1, 1, 30, Today, QTime(9, 0));
        nan.Date = std::numeric_limits<double>::quiet_NaN();
        ScoreRecord infinite = nan;
        infinite.Date = std::numeric_limits<double>::infinity();
        ScoreRecord huge = nan;
        huge.Date = 1e300;
        ScoreRecord badTime = Record(1, 1, 30, Today, QTime(9, 0));
        badTime.TimeOfDay = std::numeric_limits<double>::infinity();
        const std::vector<ScoreRecord> records = {nan, infinite, huge, badTime};
        QVERIFY(ResultLists::TodayRows(records, In)[1].isEmpty());
        QVERIFY(ResultLists::PeriodRows(records, ResultLists::TimeDisplay, 3650, In)[1].isEmpty());
        QVERIFY(ResultLists::HistoryRows(records, In)[1].isEmpty());
    }

    // Only the last TodayWindow records of the file are looked at.
    void todayListReadsTheLastThousandRecords()
    {
        TestInstallation install;
        const ScoreFile file(install.DataFolder);
        std::vector<ScoreRecord> stored(std::size_t(ResultLists::TodayWindow) + 1, Record(2, 2, 45, Today, QTime(8, 0)));
        stored.front() = Record(1, 1, 30, Today, QTime(7, 0));
        stored.back() = Record(1, 3, 40, Today, QTime(19, 0));
        WriteBytes(file.Path(), Bytes(stored));
        const ResultLists::LevelRows rows = ResultLists::TodayRows(file.ReadLastRecords(ResultLists::TodayWindow), In);
        QVERIFY(rows[1].isEmpty());
        QCOMPARE(rows[2].size(), ResultLists::TodayWindow - 1);
        QCOMPARE(rows[3], QStringList{QStringLiteral("  40秒 19:00●山田太郎　●6")});
    }

    // ---- a period's attempts

    void periodRows_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("level1");
        QTest::addColumn<QStringList>("level2");
        QTest::addColumn<QStringList>("level3");
        const QString monday = QStringLiteral("  30秒 12/07●山田太郎　●11");
        const QString failed = QStringLiteral("　　× 12/10③田中次郎　③");
        const QString sundayLate = QStringLiteral("  45秒 12/06③佐藤花子　③5");
        const QString sundayEarly = QStringLiteral("  50秒 12/06④鈴木一郎　④5");
        const QString november = QStringLiteral("  20秒 11/01③佐藤花子　③19");
        // Thursday: this week is today and the three days before it, Monday to Thursday.
        QTest::newRow("this week") << 4 << 1 << QStringList{monday, failed} << QStringList() << QStringList();
        // Rows keep the order of the file.
        QTest::newRow("30 days") << 30 << 1 << QStringList{monday, failed} << QStringList{sundayEarly, sundayLate}
                                 << QStringList();
        QTest::newRow("a year") << 365 << 1 << QStringList{november, monday, failed}
                                << QStringList{sundayEarly, sundayLate} << QStringList();
        QTest::newRow("ten years, by points") << 3650 << 2
            << QStringList{QStringLiteral("   19 11/01③佐藤花子　③20秒"), QStringLiteral("   11 12/07●山田太郎　●30秒"), failed}
            << QStringList{QStringLiteral("    5 12/06④鈴木一郎　④50秒"), QStringLiteral("    5 12/06③佐藤花子　③45秒")}
            << QStringList{QStringLiteral("    8 01/01⑤高橋　　　⑤35秒")};
    }
    void periodRows()
    {
        QFETCH(int, days);
        QFETCH(int, mode);
        QFETCH(QStringList, level1);
        QFETCH(QStringList, level2);
        QFETCH(QStringList, level3);
        const std::vector<ScoreRecord> records = {
            Record(6, 3, 40, QDate(2016, 12, 1), QTime(9, 0)),   // more than ten years ago
            Record(5, 3, 35, QDate(2020, 1, 1), QTime(9, 0)),
            Record(2, 1, 20, QDate(2026, 11, 1), QTime(9, 0)),
            Record(3, 2, 50, QDate(2026, 12, 6), QTime(17, 0)),
            Record(2, 2, 45, QDate(2026, 12, 6), QTime(19, 0)),
            Record(1, 1, 30, QDate(2026, 12, 7), QTime(8, 0)),
            Record(1, 4, 30, QDate(2026, 12, 8), QTime(8, 0)),    // level 4: no column
            Record(0, 1, 30, QDate(2026, 12, 9), QTime(8, 0)),    // nobody's
            Record(4, 1, 99999, Today, QTime(10, 0)),
        };
        const ResultLists::LevelRows rows
            = ResultLists::PeriodRows(records, ResultLists::DisplayMode(mode), days, In);
        QVERIFY(OnlyLevels123(rows));
        QCOMPARE(rows[1], level1);
        QCOMPARE(rows[2], level2);
        QCOMPARE(rows[3], level3);
    }

    // A period reaches back from this moment, time of day included: on a Monday at 18:00 "this
    // week" (1 day) still takes Sunday's attempts after 18:00.
    // On a Monday this week is today alone, whatever the hour of Sunday's attempts.
    void weekStartsOnMonday()
    {
        In.Now = QDateTime(QDate(2026, 12, 7), QTime(18, 0));
        const int days = ResultLists::PeriodDays(1, In.Now.date(), 0);
        QCOMPARE(days, 1);
        const std::vector<ScoreRecord> records = {
            Record(1, 1, 31, QDate(2026, 12, 6), QTime(17, 59)),
            Record(1, 1, 33, QDate(2026, 12, 6), QTime(23, 59)),
            Record(1, 1, 34, QDate(2026, 12, 7), QTime(8, 0)),
            Record(1, 1, 35, QDate(2026, 12, 7), QTime(19, 0)),
        };
        QCOMPARE(ResultLists::PeriodRows(records, ResultLists::TimeDisplay, days, In)[1],
                 (QStringList{QStringLiteral("  34秒 12/07●山田太郎　●9"), QStringLiteral("  35秒 12/07●山田太郎　●8")}));
    }

    // ---- rankings

    void ranking_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("selected");

        // Best times on level 1: 2 → 35, 3 → 40, 1 → 40, 4 → 50, 6 → failed only, 5 → none.
        // The tie of 3 and 1 keeps their listed order (3 before 1).
        QTest::newRow("time") << 1 << 1 << "全学年"
            << QStringList{QStringLiteral(" 1③佐藤花子　    35 　"), QStringLiteral(" 2④鈴木一郎　    40 　"),
                           QStringLiteral(" 2●山田太郎　    40 ●"), QStringLiteral(" 4③田中次郎　    50 　"),
                           QStringLiteral(" 5⑥伊藤　　　*失敗* 　"), QStringLiteral("--⑤ 高橋　　------ 　")}
            << 1;
        // Third-graders only, with their ranks in the whole school.
        QTest::newRow("time, 小３") << 1 << 1 << "小３"
            << QStringList{QStringLiteral(" 1③佐藤花子　    35 　"), QStringLiteral(" 2●山田太郎　    40 ●"),
                           QStringLiteral(" 4③田中次郎　    50 　")}
            << 0;
        QTest::newRow("time, 中１") << 1 << 1 << "中１" << QStringList() << -1;
        // Display mode 0 is the time display.
        QTest::newRow("mode 0") << 0 << 0 << "小３"
            << QStringList{QStringLiteral(" 1③佐藤花子　    35 　"), QStringLiteral(" 2●山田太郎　    40 ●"),
                           QStringLiteral(" 4③田中次郎　    50 　")}
            << 0;
        // Points (today/all time) on level 1: 1 → 11/120, 2 → 0/150, 3 → 20/120, 4 → 11/90, 5 and 6 none.
        QTest::newRow("points, all time") << 2 << 1 << "全学年"
            << QStringList{QStringLiteral(" 1③佐藤花子　  0/  150"), QStringLiteral(" 2④鈴木一郎　 20/  120"),
                           QStringLiteral(" 2●山田太郎　 11/  120"), QStringLiteral(" 4③田中次郎　 11/   90"),
                           QStringLiteral(" 5⑤ 高橋　　  0/    0"), QStringLiteral(" 5⑥伊藤　　　  0/    0")}
            << 1;
        QTest::newRow("points, all time, 小３") << 2 << 1 << "小３"
            << QStringList{QStringLiteral(" 1③佐藤花子　  0/  150"), QStringLiteral(" 2●山田太郎　 11/  120"),
                           QStringLiteral(" 4③田中次郎　 11/   90")}
            << 0;
        // Today's lead: nobody without points today is listed, but they still take ranks (2 is 4th).
        QTest::newRow("points, today") << 2 << 2 << "全学年"
            << QStringList{QStringLiteral(" 1④鈴木一郎　 20/  120"), QStringLiteral(" 2●山田太郎　 11/  120"),
                           QStringLiteral(" 2③田中次郎　 11/   90")}
            << 0;
    }
    void ranking()
    {
        QFETCH(int, mode);
        QFETCH(int, period);
        QFETCH(QString, selector);
        QFETCH(QStringList, rows);
        QFETCH(int, selected);
        const qint32 best[] = {0, 40, 35, 40, 50, Limits::NoTime, 99998};
        const qint32 allTime[] = {0, 120, 150, 120, 90, 0, 0};
        const qint32 today[] = {0, 11, 0, 20, 11, 0, 0};
        for (int p = 1; p <= 6; ++p) {
            Scores->BestSeconds(1, p) = best[p];
            Results->TotalPoints(1, p) = allTime[p];
            Results->TodayPoints(1, p) = today[p];
        }
        In.GradeFilterText = selector;
        const ResultLists::Ranking r = ResultLists::LevelRanking(1, ResultLists::DisplayMode(mode),
                                                                 ResultLists::PointsPeriod(period), In);
        QCOMPARE(r.Rows, rows);
        QCOMPARE(r.SelectedRow, selected);
    }

    // Values no attempt gives still make rows: a best of 0 s shares "rank 0" with the empty key
    // before the first row, and the largest stored time and points are cut to their columns.
    void rankingOfExtremeValues()
    {
        Scores->BestSeconds(2, 2) = 0;
        Scores->BestSeconds(2, 1) = std::numeric_limits<qint32>::max();
        const ResultLists::Ranking times = ResultLists::LevelRanking(2, ResultLists::TimeDisplay, ResultLists::AllTimeLead, In);
        QCOMPARE(times.Rows, (QStringList{
            QStringLiteral(" 0③佐藤花子　     0 　"), QStringLiteral("--④鈴木一郎　------ 　"),
            QStringLiteral("--③田中次郎　------ 　"), QStringLiteral("--⑤ 高橋　　------ 　"),
            QStringLiteral("--⑥伊藤　　　------ 　"), QStringLiteral(" 6●山田太郎　483647 ●")}));
        QCOMPARE(times.SelectedRow, 4);

        Results->TotalPoints(3, 1) = std::numeric_limits<qint32>::max();
        Results->TodayPoints(3, 1) = std::numeric_limits<qint32>::max();
        Results->TotalPoints(3, 3) = std::numeric_limits<qint32>::min();
        const ResultLists::Ranking points = ResultLists::LevelRanking(3, ResultLists::PointsDisplay, ResultLists::AllTimeLead, In);
        // The current pupil on the first row selects nothing.
        QCOMPARE(points.Rows, (QStringList{
            QStringLiteral(" 1●山田太郎　647/83647"), QStringLiteral(" 2③佐藤花子　  0/    0"),
            QStringLiteral(" 2③田中次郎　  0/    0"), QStringLiteral(" 2⑤ 高橋　　  0/    0"),
            QStringLiteral(" 2⑥伊藤　　　  0/    0"), QStringLiteral(" 6④鈴木一郎　  0/83648")}));
        QCOMPARE(points.SelectedRow, -1);
    }

    // Every row carrying "●" moves the selection, so the last one decides: a name containing
    // "●" takes it away from the current pupil's own row.
    void lastRowWithTheMarkIsSelected()
    {
        Roster->PupilName[6] = RosterFile::Fixed20(QStringLiteral("●伊藤"));
        for (int p = 1; p <= 6; ++p)
            Scores->BestSeconds(1, p) = 30 + p; // ranked by number
        const ResultLists::Ranking r = ResultLists::LevelRanking(1, ResultLists::TimeDisplay, ResultLists::AllTimeLead, In);
        QCOMPARE(r.Rows[0], QStringLiteral(" 1●山田太郎　    31 ●"));
        QCOMPARE(r.Rows[5], QStringLiteral(" 6⑥●伊藤　　    36 　"));
        QCOMPARE(r.SelectedRow, 4);
    }

    // The whole roster is ranked, and ranks of 100 and more show their last two digits.
    void everyListedPupilIsRanked()
    {
        Roster->ListedCount = Limits::MaxPupil;
        for (int k = 1; k <= Limits::MaxPupil; ++k) {
            const int p = Limits::MaxPupil + 1 - k; // listed from the highest number down
            Roster->ListedPupils[k] = qint16(p);
            Roster->PupilName[p] = RosterFile::Fixed20(QStringLiteral("生徒%1").arg(p));
            Roster->PupilRefYear[p] = 2017;
            Scores->BestSeconds(1, p) = 1000 + p;
        }
        const ResultLists::Ranking r = ResultLists::LevelRanking(1, ResultLists::TimeDisplay, ResultLists::AllTimeLead, In);
        QCOMPARE(r.Rows.size(), Limits::MaxPupil);
        QCOMPARE(r.Rows[0], QStringLiteral(" 1●生徒1　　  1001 ●"));
        QCOMPARE(r.Rows[8], QStringLiteral(" 9③生徒9　　  1009 　"));
        QCOMPARE(r.Rows[99], QStringLiteral("00③生徒100  1100 　"));
        QCOMPARE(r.Rows[122], QStringLiteral("23③生徒123  1123 　"));
        QCOMPARE(r.Rows[4999], QStringLiteral("00③生徒500  6000 　"));
        QCOMPARE(r.SelectedRow, -1);
    }

    // ---- the working pupil's history

    void historyRows_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QStringList>("level1");
        QTest::addColumn<QStringList>("level2");
        QTest::addColumn<QStringList>("level3");
        QTest::newRow("全学年") << "全学年"
            << QStringList{QStringLiteral("2020/01/02 7:00:00 123秒"), QStringLiteral("2026/12/10 9:05:03  30秒")}
            << QStringList{QStringLiteral("2026/12/09 14:00:00")}
            << QStringList{QStringLiteral("2026/12/10 12:00:00   5秒")};
        QTest::newRow("小３") << "小３"
            << QStringList{QStringLiteral("2020/01/02 7:00:00 123秒"), QStringLiteral("2026/12/10 9:05:03  30秒")}
            << QStringList{QStringLiteral("2026/12/09 14:00:00")}
            << QStringList{QStringLiteral("2026/12/10 12:00:00   5秒")};
        // The working pupil's grade filtered out: nothing at all.
        QTest::newRow("小４") << "小４" << QStringList() << QStringList() << QStringList();
    }
    void historyRows()
    {
        QFETCH(QString, selector);
        QFETCH(QStringList, level1);
        QFETCH(QStringList, level2);
        QFETCH(QStringList, level3);
        const std::vector<ScoreRecord> records = {
            Record(1, 1, 45, QDate(2016, 12, 1), QTime(9, 0)),   // more than ten years ago
            Record(1, 1, 123, QDate(2020, 1, 2), QTime(7, 0)),
            Record(3, 1, 20, QDate(2020, 1, 2), QTime(7, 1)),    // another pupil
            Record(1, 2, 99999, QDate(2026, 12, 9), QTime(14, 0)),
            Record(1, 4, 30, QDate(2026, 12, 9), QTime(15, 0)),  // level 4: no column
            Record(1, 1, 30, Today, QTime(9, 5, 3)),
            Record(1, 3, 5, Today, QTime(12, 0)),
        };
        In.GradeFilterText = selector;
        const ResultLists::LevelRows rows = ResultLists::HistoryRows(records, In);
        QVERIFY(OnlyLevels123(rows));
        QCOMPARE(rows[1], level1);
        QCOMPARE(rows[2], level2);
        QCOMPARE(rows[3], level3);
    }

    // ---- reading the window of the score file

    void readLastRecords_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("tailBytes"); // a partial record after the whole ones
        QTest::addColumn<qint64>("asked");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("fewer than asked") << 3 << 0 << qint64(5) << Range(1, 3);
        QTest::newRow("more than asked") << 10 << 0 << qint64(4) << Range(7, 10);
        QTest::newRow("exactly as many") << 4 << 0 << qint64(4) << Range(1, 4);
        QTest::newRow("partial tail left out") << 3 << 20 << qint64(2) << Range(2, 3);
        QTest::newRow("only a partial record") << 0 << 43 << qint64(5) << Range(1, 0);
        QTest::newRow("empty file") << 0 << 0 << qint64(ResultLists::PeriodWindow) << Range(1, 0);
        QTest::newRow("none asked") << 5 << 0 << qint64(0) << Range(1, 0);
        QTest::newRow("negative count") << 5 << 0 << qint64(-1) << Range(1, 0);
    }
    void readLastRecords()
    {
        QFETCH(int, stored);
        QFETCH(int, tailBytes);
        QFETCH(qint64, asked);
        QFETCH(QList<int>, expected);
        TestInstallation install;
        const ScoreFile file(install.DataFolder, [](int) { QFAIL("nothing holds the file"); });
        std::vector<ScoreRecord> records;
        for (int n = 1; n <= stored; ++n)
            records.push_back(Numbered(n));
        WriteBytes(file.Path(), Bytes(records) + QByteArray(tailBytes, 'x'));
        const std::vector<ScoreRecord> got = file.ReadLastRecords(asked);
        QCOMPARE(SecondsOf(got), expected);
        if (!got.empty()) {
            QCOMPARE(got.front().Pupil, qint16(1));
            QCOMPARE(got.front().Date, OleDate::FromDate(Today));
        }
    }

    void missingFileIsCreatedEmpty()
    {
        TestInstallation install;
        const ScoreFile file(install.DataFolder);
        QVERIFY(!QFile::exists(file.Path()));
        QVERIFY(file.ReadLastRecords(ResultLists::TodayWindow).empty());
        QVERIFY(QFile::exists(file.Path()));
        QCOMPARE(QFileInfo(file.Path()).size(), 0);
    }

    // More records than 32-bit record numbers count (a sparse file of about 94 GB): the window
    // is still read at the end of the file.
    void readsToTheEndOfAFileOfAnySize()
    {
        TestInstallation install;
        const ScoreFile file(install.DataFolder);
        const qint64 records = qint64(std::numeric_limits<qint32>::max()) + 5;
        {
            QFile f(file.Path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (!f.resize((records - 2) * ScoreRecordCodec::Size))
                QSKIP("no sparse file of that size here");
            QVERIFY(f.seek((records - 2) * ScoreRecordCodec::Size));
            const QByteArray tail = ScoreRecordCodec::Encode(Numbered(7)) + ScoreRecordCodec::Encode(Numbered(8)) + QByteArray(10, 'x');
            QCOMPARE(f.write(tail), tail.size());
        }
        QCOMPARE(SecondsOf(file.ReadLastRecords(2)), (QList<int>{7, 8}));
        const std::vector<ScoreRecord> three = file.ReadLastRecords(3);
        QCOMPARE(three.size(), std::size_t(3));
        QCOMPARE(three[0].Seconds, 0); // a hole reads as zeros
        QFile::remove(file.Path());
    }

    void unreadableFileIsFatal()
    {
        TestInstallation install;
        const ScoreFile file(install.DataFolder);
        QVERIFY(QDir().mkpath(file.Path())); // a folder where the file should be
        try {
            file.ReadLastRecords(10);
            QFAIL("no error");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.startsWith(QStringLiteral("成績ファイルの場所にあるのは普通のファイルではありません")),
                     qPrintable(e.Message));
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(file.Path())), qPrintable(e.Message));
        }
    }

    // Another process holds the write lock as an appending machine would: the read waits a second
    // at a time through the wait function and succeeds once the lock is gone.
    void waitsForAnotherProcessLock()
    {
        TestInstallation install;
        QList<int> waits;
        QProcess holder;
        const ScoreFile file(install.DataFolder, [&waits, &holder](int ms) {
            waits << ms;
            QThread::msleep(50);
            if (holder.state() != QProcess::NotRunning)
                holder.waitForFinished(0);
        });
        WriteBytes(file.Path(), Bytes({Numbered(1), Numbered(2)}));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(HoldFileVariable, file.Path());
        env.insert(HoldMsVariable, QStringLiteral("600"));
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

        QCOMPARE(SecondsOf(file.ReadLastRecords(ResultLists::TodayWindow)), (QList<int>{1, 2}));
        QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(30000));
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(!waits.isEmpty());
        QVERIFY(std::all_of(waits.cbegin(), waits.cend(), [](int ms) { return ms == 1000; }));
    }
};

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty(HoldFileVariable))
        return RunHolder();
    QCoreApplication app(argc, argv);
    TestResultLists test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ResultLists.moc"
