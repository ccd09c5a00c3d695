#include "menu/MenuTexts.h"
#include "records/ResultTables.h"
#include <QtTest>

namespace {
PassCriteria Level(qint32 target, qint16 clearCount, qint32 clearPoints, float rate, double judgeDays)
{
    PassCriteria c;
    c.TargetTime = target;
    c.ClearCount = clearCount;
    c.ClearPoints = clearPoints;
    c.PointRate = rate;
    c.JudgeDays = CriteriaValue::FromNumber(judgeDays);
    return c;
}
} // namespace

class TestMenuTexts : public QObject {
    Q_OBJECT
private slots:
    // A pupil without a single attempt: every column shows its dashes and zeros, read from freshly
    // built tables.
    void pupilWithoutAttempts()
    {
        const ResultTables t;
        const int p = 7;
        const PassCriteria level = Level(60, 10, 500, 1.5f, 7);
        for (int l = 1; l <= 3; ++l) {
            QCOMPARE(MenuTexts::TodayTotals(t.TodayCount(l, p), t.TodayPoints(l, p)), QStringLiteral("-----"));
            QCOMPARE(MenuTexts::AllTimeTotals(t.AttemptCount(l, p), t.TotalPoints(l, p)), QStringLiteral("------"));
            QCOMPARE(MenuTexts::JudgeWindow(level, t.JudgeCount(l, p), t.JudgePoints(l, p)),
                     QStringLiteral("最近7日=0回 / 0点"));
        }
        QCOMPARE(MenuTexts::TodayTotal(t.TodayTotal(p)), QStringLiteral("本日総回数＝0回"));
    }

    void totals_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("allTime");
        QTest::newRow("none") << 0 << 0 << "-----" << "------";
        // The points alone do not make a column show: only the count does.
        QTest::newRow("points without a count") << 0 << 12 << "-----" << "------";
        QTest::newRow("three attempts") << 3 << 25 << "3回/25点" << "3回/25点";
        QTest::newRow("one without points") << 1 << 0 << "1回/0点" << "1回/0点";
        QTest::newRow("large") << 1234 << 56789 << "1234回/56789点" << "1234回/56789点";
    }
    void totals()
    {
        QFETCH(int, count);
        QFETCH(int, points);
        QFETCH(QString, today);
        QFETCH(QString, allTime);
        QCOMPARE(MenuTexts::TodayTotals(float(count), points), today);
        QCOMPARE(MenuTexts::AllTimeTotals(qint16(count), points), allTime);
    }

    void judgeWindow_data()
    {
        QTest::addColumn<double>("judgeDays");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("text");
        QTest::newRow("week") << 7.0 << 4 << 38 << "最近7日=4回 / 38点";
        QTest::newRow("fortnight") << 14.0 << 12 << 130 << "最近14日=12回 / 130点";
    }
    void judgeWindow()
    {
        QFETCH(double, judgeDays);
        QFETCH(int, count);
        QFETCH(int, points);
        QFETCH(QString, text);
        QCOMPARE(MenuTexts::JudgeWindow(Level(60, 10, 500, 1, judgeDays), qint16(count), points), text);
    }

    void targets_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("clearCount");
        QTest::addColumn<int>("clearPoints");
        QTest::addColumn<float>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("rate 1.5") << 60 << 10 << 500 << 1.5f << "目標=60秒 10回/500点(×1.5)";
        QTest::newRow("rate 1") << 90 << 5 << 100 << 1.0f << "目標=90秒 5回/100点(×1)";
        QTest::newRow("rate 0.7 as typed") << 45 << 8 << 300 << 0.7f << "目標=45秒 8回/300点(×0.7)";
        QTest::newRow("no clearing target") << 60 << 10 << 9999 << 1.5f << "目標=60秒 --------";
        QTest::newRow("9998 is a target") << 60 << 10 << 9998 << 2.0f << "目標=60秒 10回/9998点(×2)";
    }
    void targets()
    {
        QFETCH(int, target);
        QFETCH(int, clearCount);
        QFETCH(int, clearPoints);
        QFETCH(float, rate);
        QFETCH(QString, text);
        QCOMPARE(MenuTexts::Targets(Level(target, qint16(clearCount), clearPoints, rate, 7)), text);
    }

    void minutesSinceSignIn_data()
    {
        QTest::addColumn<double>("now");
        QTest::addColumn<int>("login");
        QTest::addColumn<QString>("text");
        QTest::newRow("just signed in") << 36000.0 << 36000 << "起動後0分";
        QTest::newRow("59 s") << 36059.0 << 36000 << "起動後0分";
        QTest::newRow("twenty minutes") << 37200.0 << 36000 << "起動後20分";
        QTest::newRow("twenty minutes and 59 s") << 37259.0 << 36000 << "起動後20分";
        // The clock reads fractions of a second; they go to the nearest whole second first.
        QTest::newRow("59.6 s rounds to a minute") << 36059.6 << 36000 << "起動後1分";
        QTest::newRow("59.4 s does not") << 36059.4 << 36000 << "起動後0分";
        QTest::newRow("signed in at 23:55, now 00:05") << 300.0 << 86100 << "起動後10分";
        QTest::newRow("signed in at 23:59:30, now 00:00:29") << 29.0 << 86370 << "起動後0分";
    }
    void minutesSinceSignIn()
    {
        QFETCH(double, now);
        QFETCH(int, login);
        QFETCH(QString, text);
        QCOMPARE(MenuTexts::MinutesSinceSignIn(now, login), text);
    }

    void headings()
    {
        QCOMPARE(MenuTexts::StartCaption(2), QStringLiteral("ｽﾀｰﾄ(&2)"));
        QCOMPARE(MenuTexts::TodayTotal(12), QStringLiteral("本日総回数＝12回"));
        // Roster names come blank-padded to 20 characters; a full-width space is part of the name.
        QCOMPARE(MenuTexts::PupilHeading(QStringLiteral("小３"), QStringLiteral("  山田　太郎         ")),
                 QStringLiteral("小３ 山田　太郎"));
        QCOMPARE(MenuTexts::PupilHeading(QString(), QStringLiteral("先生")), QStringLiteral(" 先生"));
        QCOMPARE(MenuTexts::SchoolHeading(QStringLiteral("テスト小学校"), 1234), QStringLiteral("テスト小学校:1234"));
    }
};

QTEST_GUILESS_MAIN(TestMenuTexts)
#include "tst_MenuTexts.moc"
