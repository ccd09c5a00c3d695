#include "menu/LevelUnlock.h"
#include "drill/LevelCatalogue.h"
#include "records/ResultTables.h"
#include <QtTest>
#include <memory>

namespace {
constexpr int Pupil = 7;

// "1" for every level 1 … n whose flag is set.
QString Flags(const std::array<bool, Limits::LevelSlots>& flags, int n)
{
    QString text;
    for (int i = 1; i <= n; ++i)
        text += flags[std::size_t(i)] ? u'1' : u'0';
    return text;
}
} // namespace

class TestLevelUnlock : public QObject {
    Q_OBJECT
    LevelCatalogue Catalogue;
    CriteriaTable Criteria{};
    std::unique_ptr<ResultTables> Results;

private slots:
    void init()
    {
        Catalogue = LevelCatalogue();
        Catalogue.Build();
        Criteria = CriteriaTable{};
        // The final level (3) is passed with 100 points in 5 attempts.
        for (int l = 1; l <= 3; ++l) {
            Criteria[l].ClearPoints = 100;
            Criteria[l].ClearCount = 5;
        }
        Results = std::make_unique<ResultTables>();
    }

    void decide_data()
    {
        QTest::addColumn<int>("level");           // the level the limits and window figures are set on
        QTest::addColumn<double>("banCount");
        QTest::addColumn<double>("banPoints");
        QTest::addColumn<int>("windowCount");
        QTest::addColumn<int>("windowPoints");
        QTest::addColumn<bool>("practice");       // the level is made a practice level
        QTest::addColumn<bool>("finalPassed");
        QTest::addColumn<QString>("enabled");     // levels 1 2 3
        QTest::addColumn<QString>("barred");

        QTest::newRow("nothing done") << 1 << 5.0 << 0.0 << 0 << 0 << false << false << "111" << "000";
        QTest::newRow("one attempt short of BanCount") << 1 << 5.0 << 0.0 << 4 << 40 << false << false << "111" << "000";
        QTest::newRow("BanCount reached exactly bars") << 1 << 5.0 << 0.0 << 5 << 50 << false << false << "011" << "100";
        QTest::newRow("BanCount passed bars") << 2 << 5.0 << 0.0 << 9 << 90 << false << false << "101" << "010";
        QTest::newRow("BanPoints reached exactly bars") << 2 << 0.0 << 100.0 << 1 << 100 << false << false << "101" << "010";
        QTest::newRow("one point short of BanPoints") << 2 << 0.0 << 100.0 << 1 << 99 << false << false << "111" << "000";
        QTest::newRow("both limits 0 never bar") << 1 << 0.0 << 0.0 << 500 << 30000 << false << false << "111" << "000";
        QTest::newRow("final level passed: nothing barred") << 1 << 5.0 << 100.0 << 9 << 900 << false << true << "111" << "000";
        QTest::newRow("practice level never barred") << 2 << 5.0 << 0.0 << 9 << 90 << true << false << "111" << "000";
        QTest::newRow("last level never barred") << 3 << 5.0 << 100.0 << 9 << 900 << false << false << "111" << "000";
    }
    void decide()
    {
        QFETCH(int, level);
        QFETCH(double, banCount);
        QFETCH(double, banPoints);
        QFETCH(int, windowCount);
        QFETCH(int, windowPoints);
        QFETCH(bool, practice);
        QFETCH(bool, finalPassed);
        QFETCH(QString, enabled);
        QFETCH(QString, barred);

        Criteria[level].BanCount = CriteriaValue::FromNumber(banCount);
        Criteria[level].BanPoints = CriteriaValue::FromNumber(banPoints);
        Results->BanWindowCount(level, Pupil) = qint16(windowCount);
        Results->BanWindowPoints(level, Pupil) = windowPoints;
        if (practice)
            Catalogue.LevelName[level] = QStringLiteral("レベル２練習");
        if (finalPassed) {
            Results->JudgeCount(3, Pupil) = 5;
            Results->JudgePoints(3, Pupil) = 100;
        }

        const LevelUnlock::Decision d = LevelUnlock::Decide(Catalogue, 3, true, Criteria, *Results, Pupil);
        QCOMPARE(Flags(d.Enabled, 3), enabled);
        QCOMPARE(Flags(d.Barred, 3), barred);
        QCOMPARE(d.FinalLevelCleared, finalPassed);
        // Nothing beyond the menu's levels is touched.
        for (int i = 4; i < Limits::LevelSlots; ++i)
            QVERIFY(!d.Enabled[i] && !d.Barred[i]);
    }

    // Passing a level other than the final one, or only half of the final level's targets, leaves
    // the limits in force.
    void onlyTheFinalLevelLiftsTheLimits()
    {
        Criteria[1].BanCount = CriteriaValue::FromNumber(3);
        Results->BanWindowCount(1, Pupil) = 3;
        Results->JudgeCount(2, Pupil) = 5;
        Results->JudgePoints(2, Pupil) = 100;
        Results->JudgeCount(3, Pupil) = 5;
        Results->JudgePoints(3, Pupil) = 99;
        const LevelUnlock::Decision d = LevelUnlock::Decide(Catalogue, 3, true, Criteria, *Results, Pupil);
        QVERIFY(!d.FinalLevelCleared);
        QCOMPARE(Flags(d.Barred, 3), QStringLiteral("100"));
    }

    // Another pupil's figures bar nobody else.
    void figuresOfAnotherPupil()
    {
        Criteria[1].BanCount = CriteriaValue::FromNumber(3);
        Results->BanWindowCount(1, Pupil + 1) = 3;
        const LevelUnlock::Decision d = LevelUnlock::Decide(Catalogue, 3, true, Criteria, *Results, Pupil);
        QCOMPARE(Flags(d.Enabled, 3), QStringLiteral("111"));
        QCOMPARE(Flags(d.Barred, 3), QStringLiteral("000"));
    }
};

QTEST_GUILESS_MAIN(TestLevelUnlock)
#include "tst_LevelUnlock.moc"
