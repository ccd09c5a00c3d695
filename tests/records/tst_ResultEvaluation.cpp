#include "records/Points.h"
#include "support/AppCalls.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "support/TestScopes.h"
#include "base/OleDate.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include <QtTest>

Q_DECLARE_METATYPE(CriteriaValue)

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 30, 0));
const double Today = 46366; // 2026-12-10 as an OLE date

ScoreRecord Record(qint16 pupil, qint16 level, qint32 seconds, double date = Today)
{
    ScoreRecord r;
    r.Date = date;
    r.TimeOfDay = 0.25;
    r.Pupil = pupil;
    r.Level = level;
    r.Seconds = seconds;
    return r;
}

void SetLevel(int level, qint32 target, float rate, double judgeDays = 7, double banDays = 7)
{
    PassCriteria& c = TestSchool().Criteria[level];
    c.TargetTime = target;
    c.LowestTime = target;
    c.PointRate = rate;
    c.JudgeDays = CriteriaValue::FromNumber(judgeDays);
    c.BanDays = CriteriaValue::FromNumber(banDays);
}

template <typename T>
QString FirstDifference(const char* name, const LevelPupilTable<T>& a, const LevelPupilTable<T>& b)
{
    for (int l = 0; l < LevelPupilTable<T>::Levels; ++l)
        for (int p = 0; p < LevelPupilTable<T>::Pupils; ++p)
            if (a(l, p) != b(l, p))
                return QStringLiteral("%1[%2][%3]: %4 against %5").arg(name).arg(l).arg(p).arg(a(l, p)).arg(b(l, p));
    return QString();
}

QString FirstDifference(const ResultTables& a, const ResultTables& b)
{
    QString d;
    for (const QString& one : {FirstDifference("AttemptCount", a.AttemptCount, b.AttemptCount),
                               FirstDifference("TotalPoints", a.TotalPoints, b.TotalPoints),
                               FirstDifference("JudgeCount", a.JudgeCount, b.JudgeCount),
                               FirstDifference("JudgePoints", a.JudgePoints, b.JudgePoints),
                               FirstDifference("BanWindowCount", a.BanWindowCount, b.BanWindowCount),
                               FirstDifference("BanWindowPoints", a.BanWindowPoints, b.BanWindowPoints),
                               FirstDifference("TodayCount", a.TodayCount, b.TodayCount),
                               FirstDifference("TodayPoints", a.TodayPoints, b.TodayPoints)})
        if (d.isEmpty())
            d = one;
    return d;
}
} // namespace

class TestResultEvaluation : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ResetTestScopes();
        Install = std::make_unique<TestInstallation>();
        Install->ApplyTo(TestSchool());
        Clock.Set(Now);
        TestEnv().TheClock = &Clock;
        TestEnv().Wait = [](int) {};
    }

    void points_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<float>("rate");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("points");
        QTest::newRow("on the target") << 60 << 1.0f << 60 << 5;
        QTest::newRow("half the target") << 60 << 1.0f << 30 << 11;
        QTest::newRow("no time at all") << 60 << 1.0f << 0 << 55;
        QTest::newRow("just over") << 60 << 1.0f << 61 << 4;
        QTest::newRow("under twice") << 60 << 1.0f << 119 << 4;
        QTest::newRow("twice") << 60 << 1.0f << 120 << 1;
        QTest::newRow("ten times") << 60 << 1.0f << 600 << 0;
        QTest::newRow("6000 s still scores by the formula") << 1000 << 1.0f << 6000 << 1;
        QTest::newRow("timed out") << 60 << 1.0f << 99999 << 0;
        QTest::newRow("timed out on a long target") << 99999 << 1.0f << 99999 << 0;
        QTest::newRow("first three digits") << 1500 << 1.0f << 1200 << 43;
        QTest::newRow("first three digits of 1234") << 1500 << 1.0f << 1234 << 43;
        QTest::newRow("rate 1.5") << 60 << 1.5f << 30 << 16;
        QTest::newRow("rate 0.7 on 10 points") << 60 << 0.7f << 32 << 7;
        QTest::newRow("rate 0") << 60 << 0.0f << 0 << 0;
        QTest::newRow("no target, longer attempt") << 0 << 1.0f << 5 << 0;
        QTest::newRow("no target, zero seconds") << 0 << 1.0f << 0 << 0;
        QTest::newRow("huge target") << 2147483647 << 1.0f << 2147483647 << 0;
    }
    void points()
    {
        QFETCH(int, target);
        QFETCH(float, rate);
        QFETCH(int, seconds);
        SetLevel(2, target, rate);
        QTEST(int(Points::AttemptPoints(TestSchool().Criteria[2], seconds)), "points");
    }

    void dayWindows_data()
    {
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<CriteriaValue>("days");
        QTest::addColumn<bool>("inside");
        QTest::newRow("7 days: six days ago") << 6 << CriteriaValue::FromNumber(7) << true;
        QTest::newRow("7 days: seven days ago") << 7 << CriteriaValue::FromNumber(7) << false;
        QTest::newRow("7 days: today") << 0 << CriteriaValue::FromNumber(7) << true;
        QTest::newRow("0 days: today") << 0 << CriteriaValue::FromNumber(0) << false;
        QTest::newRow("1 day: today") << 0 << CriteriaValue::FromNumber(1) << true;
        QTest::newRow("1 day: yesterday") << 1 << CriteriaValue::FromNumber(1) << false;
        QTest::newRow("empty: today") << 0 << CriteriaValue() << false;
        QTest::newRow("text: today") << 0 << CriteriaValue::FromItem("x") << false;
    }
    // One attempt of 30 s (11 points) on level 1 by pupil 5; the same window as JudgeDays and BanDays.
    void dayWindows()
    {
        QFETCH(int, daysAgo);
        QFETCH(CriteriaValue, days);
        QFETCH(bool, inside);
        SetLevel(1, 60, 1.0f);
        TestSchool().Criteria[1].JudgeDays = days;
        TestSchool().Criteria[1].BanDays = days;
        AppCalls::WriteScoreRecords({Record(5, 1, 30, Today - daysAgo)});
        AppCalls::ComputeResultTables();

        const ResultTables& r = TestSchool().Results;
        QCOMPARE(r.AttemptCount(1, 5), qint16(1));
        QCOMPARE(r.TotalPoints(1, 5), 11);
        QCOMPARE(r.JudgeCount(1, 5), qint16(inside ? 1 : 0));
        QCOMPARE(r.JudgePoints(1, 5), inside ? 11 : 0);
        QCOMPARE(r.BanWindowCount(1, 5), qint16(inside ? 1 : 0));
        QCOMPARE(r.BanWindowPoints(1, 5), inside ? 11 : 0);
        QCOMPARE(r.TodayCount(1, 5), daysAgo == 0 ? 1.0f : 0.0f);
        QCOMPARE(r.TodayPoints(1, 5), daysAgo == 0 ? 11 : 0);
    }

    // Just after midnight a one-day window still holds today only.
    void windowAtMidnight()
    {
        Clock.Set(QDateTime(Now.date(), QTime(0, 0, 0)));
        SetLevel(1, 60, 1.0f, 1, 2);
        AppCalls::WriteScoreRecords({Record(5, 1, 30, Today), Record(5, 1, 30, Today - 1), Record(5, 1, 30, Today - 2)});
        AppCalls::ComputeResultTables();
        QCOMPARE(TestSchool().Results.JudgeCount(1, 5), qint16(1));
        QCOMPARE(TestSchool().Results.BanWindowCount(1, 5), qint16(2));
    }

    void longAttemptsScoreButDoNotCount()
    {
        SetLevel(1, 1000, 1.0f);
        AppCalls::WriteScoreRecords({Record(5, 1, 5999), Record(5, 1, 6000), Record(5, 1, 99999)});
        AppCalls::ComputeResultTables();
        const ResultTables& r = TestSchool().Results;
        QCOMPARE(r.AttemptCount(1, 5), qint16(1));
        QCOMPARE(r.JudgeCount(1, 5), qint16(1));
        QCOMPARE(r.BanWindowCount(1, 5), qint16(1));
        QCOMPARE(r.TodayCount(1, 5), 1.0f);
        QCOMPARE(r.TotalPoints(1, 5), 1 + 1 + 0);
        QCOMPARE(r.TodayPoints(1, 5), 2);
    }

    // Each rebuild clears only what the one before filled; the outcome must be what a rebuild on
    // empty tables gives, also when the file has lost records, pupils and levels since.
    void rebuildEqualsFreshTables()
    {
        for (int l = 1; l <= 35; ++l)
            SetLevel(l, 20 + l, 1.0f + float(l % 3) / 2, l % 9, l % 4);
        quint32 seed = 12345;
        const auto next = [&seed](quint32 range) { seed = seed * 1103515245u + 12345u; return (seed >> 8) % range; };
        QList<ScoreRecord> many;
        for (int i = 0; i < 3000; ++i)
            many << Record(qint16(next(5001)), qint16(next(36)), qint32(next(200)), Today - next(12));
        AppCalls::WriteScoreRecords(many);
        AppCalls::ComputeResultTables();

        QList<ScoreRecord> fewer;
        for (int i = 0; i < 300; ++i)
            fewer << Record(qint16(next(40)), qint16(1 + next(3)), qint32(next(200)), Today - next(12));
        AppCalls::WriteScoreRecords(fewer);
        AppCalls::ComputeResultTables();
        AppCalls::ComputeResultTables();
        const ResultTables incremental = TestSchool().Results;

        TestSchool().Results = ResultTables();
        AppCalls::ComputeResultTables();
        const QString difference = FirstDifference(incremental, TestSchool().Results);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(TestSchool().Results.TotalPoints(1, 0) + TestSchool().Results.TotalPoints(2, 0) + TestSchool().Results.TotalPoints(3, 0) == 0);
    }

    void recordAttemptFlags()
    {
        SetLevel(1, 60, 1.0f);
        TestSchool().Criteria[1].ClearCount = 2;
        TestSchool().Criteria[1].ClearPoints = 11;
        // Pupil 5: 40 s (6 points) and 50 s (5 points); pupil 6 holds the school best, pupil 1001's
        // faster time does not count for the school.
        AppCalls::WriteScoreRecords({Record(5, 1, 40), Record(5, 1, 50), Record(6, 1, 30), Record(1001, 1, 10)});
        AppCalls::ComputeResultTables();
        TestSession().CurrentPupil = 5;
        TestSession().CurrentLevel = 1;

        struct Step { qint32 seconds; bool personal; bool school; };
        const Step steps[] = {
            {40, false, false},  // equal to the best: not a new best
            {35, true, false},
            {35, false, false},  // the same time again
            {30, true, false},   // equal to the school best
            {29, true, true},
        };
        int appended = 4;
        for (const Step& step : steps) {
            TestSession().NewPersonalBest = false;
            TestSession().NewSchoolBest = false;
            TestSession().AlreadyPassed = false;
            TestSession().RecordedSeconds = step.seconds;
            AppCalls::RecordAttempt(1);
            QCOMPARE(TestSession().AlreadyPassed, true);
            QCOMPARE(TestSession().NewPersonalBest, step.personal);
            QCOMPARE(TestSession().NewSchoolBest, step.school);
            QCOMPARE(TestSchool().Scores.BestSeconds(1, 5), std::min(step.seconds, TestSchool().Scores.BestSeconds(1, 5)));
            QCOMPARE(AppCalls::File().RecordCount(), ++appended);
            QCOMPARE(AppCalls::File().ReadRecord(appended).Seconds, step.seconds);
        }
        QCOMPARE(TestSchool().Scores.SchoolBestSeconds[1], 29);

        // A pupil who has done nothing yet: not passed, and any time is a personal best.
        TestSession().CurrentPupil = 7;
        TestSession().RecordedSeconds = 500;
        TestSession().NewPersonalBest = false;
        TestSession().NewSchoolBest = false;
        AppCalls::RecordAttempt(1);
        QCOMPARE(TestSession().AlreadyPassed, false);
        QCOMPARE(TestSession().NewPersonalBest, true);
        QCOMPARE(TestSession().NewSchoolBest, false);

        // The rebuild after recording includes every attempt just made.
        AppCalls::ComputeResultTables();
        QCOMPARE(TestSchool().Results.TodayCount(1, 5), 7.0f);
        QCOMPARE(TestSchool().Results.AttemptCount(1, 7), qint16(0) + 1);
        QCOMPARE(TestSchool().Scores.BestSeconds(1, 5), 29);
    }

    void passedAndOverdoing_data()
    {
        QTest::addColumn<int>("judgePoints");
        QTest::addColumn<int>("judgeCount");
        QTest::addColumn<int>("windowPoints");
        QTest::addColumn<int>("windowCount");
        QTest::addColumn<CriteriaValue>("banCount");
        QTest::addColumn<CriteriaValue>("banPoints");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<bool>("overdoing");
        const CriteriaValue none;
        const CriteriaValue zero = CriteriaValue::FromNumber(0);
        QTest::newRow("exactly the targets") << 100 << 5 << 0 << 0 << none << none << true << false;
        QTest::newRow("points short") << 99 << 9 << 0 << 0 << none << none << false << false;
        QTest::newRow("attempts short") << 500 << 4 << 0 << 0 << none << none << false << false;
        QTest::newRow("no limits are never reached") << 0 << 0 << 9999 << 9999 << zero << zero << false << false;
        QTest::newRow("empty limits are never reached") << 0 << 0 << 9999 << 9999 << none << none << false << false;
        QTest::newRow("attempt limit reached") << 0 << 0 << 0 << 10 << CriteriaValue::FromNumber(10) << zero << false << true;
        QTest::newRow("attempt limit not reached") << 0 << 0 << 0 << 9 << CriteriaValue::FromNumber(10) << zero << false << false;
        QTest::newRow("points limit reached") << 0 << 0 << 300 << 1 << zero << CriteriaValue::FromNumber(300) << false << true;
        QTest::newRow("text limit counts as none") << 0 << 0 << 300 << 30 << CriteriaValue::FromItem("x") << none << false << false;
    }
    void passedAndOverdoing()
    {
        QFETCH(int, judgePoints);
        QFETCH(int, judgeCount);
        QFETCH(int, windowPoints);
        QFETCH(int, windowCount);
        QFETCH(CriteriaValue, banCount);
        QFETCH(CriteriaValue, banPoints);
        PassCriteria& c = TestSchool().Criteria[2];
        c.ClearPoints = 100;
        c.ClearCount = 5;
        c.BanCount = banCount;
        c.BanPoints = banPoints;
        ResultTables& r = TestSchool().Results;
        r.JudgePoints(2, 9) = judgePoints;
        r.JudgeCount(2, 9) = qint16(judgeCount);
        r.BanWindowPoints(2, 9) = windowPoints;
        r.BanWindowCount(2, 9) = qint16(windowCount);
        QTEST(AppCalls::Passed(2, 9), "passed");
        QTEST(AppCalls::Overdoing(2, 9), "overdoing");
    }

    void gradeMark_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("mark");
        QTest::newRow("1") << 1 << QStringLiteral("①");
        QTest::newRow("6") << 6 << QStringLiteral("⑥");
        QTest::newRow("7") << 7 << QStringLiteral("Ⅰ");
        QTest::newRow("9") << 9 << QStringLiteral("Ⅲ");
        QTest::newRow("0") << 0 << QStringLiteral("　");
        QTest::newRow("10") << 10 << QStringLiteral("　");
        QTest::newRow("-1") << -1 << QStringLiteral("　");
    }
    void gradeMark()
    {
        QFETCH(int, n);
        QTEST(ResultEvaluation::GradeMark(n), "mark");
    }

private:
    std::unique_ptr<TestInstallation> Install;
    ManualClock Clock;
};

QTEST_GUILESS_MAIN(TestResultEvaluation)
#include "tst_ResultEvaluation.moc"
