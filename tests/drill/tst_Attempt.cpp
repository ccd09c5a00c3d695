#include "drill/Attempt.h"
#include "drill/LevelCatalogue.h"
#include <QtTest>

Q_DECLARE_METATYPE(Attempt::Outcome)

class TestAttempt : public QObject {
    Q_OBJECT
private slots:
    void startClearsTheFlags()
    {
        AttemptState s;
        s.SolvedCount = 9;
        s.ConfirmState = ConfirmStep::AfterFirstPlus;
        s.Judging = true;
        s.AttemptFinished = true;
        s.EndingStarted = true;
        s.TimedOut = true;
        Attempt::Start(s);
        QCOMPARE(s.SolvedCount, 0);
        QCOMPARE(s.ConfirmState, ConfirmStep::Normal);
        QVERIFY(!s.Judging && !s.AttemptFinished && !s.EndingStarted && !s.TimedOut);
    }

    // A time-out tick arriving while the last answer is processed must not end the attempt twice.
    void endsOnce()
    {
        AttemptState s;
        QVERIFY(Attempt::BeginEnding(s));
        QVERIFY(!Attempt::BeginEnding(s));
        Attempt::Start(s);
        QVERIFY(Attempt::BeginEnding(s));
    }

    void isEnding_data()
    {
        QTest::addColumn<bool>("endingStarted");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<bool>("ending");
        QTest::newRow("running") << false << false << false << false;
        QTest::newRow("ending started") << true << false << false << true;
        QTest::newRow("ten solved") << false << true << false << true;
        QTest::newRow("timed out") << false << false << true << true;
    }
    void isEnding()
    {
        QFETCH(bool, endingStarted);
        QFETCH(bool, finished);
        QFETCH(bool, timedOut);
        AttemptState s;
        s.EndingStarted = endingStarted;
        s.AttemptFinished = finished;
        s.TimedOut = timedOut;
        QTEST(Attempt::IsEnding(s), "ending");
    }

    void decide_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<Attempt::Outcome>("outcome");
        QTest::addColumn<int>("seconds");
        QTest::newRow("recorded") << 2 << false << Attempt::Outcome::Record << 40;
        QTest::newRow("time-out") << 1 << true << Attempt::Outcome::Record << 99999;
        QTest::newRow("practice level") << 7 << false << Attempt::Outcome::BackToMenu << 0;
        QTest::newRow("practice level after a time-out") << 7 << true << Attempt::Outcome::BackToMenu << 0;
        QTest::newRow("level not in use") << 30 << false << Attempt::Outcome::Nothing << 0;
        QTest::newRow("no level") << 0 << false << Attempt::Outcome::Nothing << 0;
        QTest::newRow("outside the slots") << 36 << false << Attempt::Outcome::Nothing << 0;
    }
    void decide()
    {
        QFETCH(int, level);
        QFETCH(bool, timedOut);
        LevelCatalogue catalogue;
        catalogue.Build();
        AttemptState s;
        s.ElapsedSeconds = 40;
        s.TimedOut = timedOut;
        const Attempt::Ending e = Attempt::Decide(s, catalogue, level);
        QTEST(e.What, "outcome");
        QTEST(int(e.RecordedSeconds), "seconds");
    }
};

QTEST_APPLESS_MAIN(TestAttempt)
#include "tst_Attempt.moc"
