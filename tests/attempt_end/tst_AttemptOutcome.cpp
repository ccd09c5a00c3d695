#include "attempt_end/AttemptOutcome.h"
#include "sound/SoundCues.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include "support/TestInstallation.h"
#include <QtTest>

using Message = AttemptOutcome::Message;
using Cue = AttemptOutcome::Cue;
using AfterPause = AttemptOutcome::AfterPause;
Q_DECLARE_METATYPE(AttemptOutcome::Message)
Q_DECLARE_METATYPE(AttemptOutcome::Cue)
Q_DECLARE_METATYPE(AttemptOutcome::AfterPause)

class TestAttemptOutcome : public QObject {
    Q_OBJECT
    ScriptedRandom Random;
    RecordingPlayer Player;
    std::unique_ptr<TestInstallation> Inst;
    SoundCues Cues;

    // Pupil 7 on level `level`, with the level's criteria and the tables as a rebuild would leave them.
    void SetUp(int level, qint32 target, qint32 lowest, float rate, qint32 seconds)
    {
        TestSchool().Catalogue.Build();
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSession().CurrentPupil = 7;
        TestSession().CurrentPupilName = QStringLiteral("  山田太郎 ");
        TestSession().CurrentLevel = qint16(level);
        TestSession().RecordedSeconds = seconds;
        PassCriteria& c = TestSchool().Criteria[level];
        c.TargetTime = target;
        c.LowestTime = lowest;
        c.PointRate = rate;
        c.ClearPoints = 20;
        c.ClearCount = 2;
    }

private slots:
    void init()
    {
        ResetTestScopes();
        Player = RecordingPlayer();
        TestEnv().Random = &Random;
        TestEnv().Player = &Player;
        Inst = std::make_unique<TestInstallation>();
        Inst->ApplyTo(TestSchool());
        Cues = SoundCues();
        Cues.Folder = TestSchool().SoundFolder;
        Cues.Random = &Random;
        Cues.Player = &Player;
    }

    void points_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<float>("rate");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("line");
        QTest::newRow("half the target at rate 1.5") << 60 << 1.5f << 30 << 11 << "獲得ポイント：11点×1.5→16点";
        QTest::newRow("no digit cut: 1200 s of 1500") << 1500 << 1.0f << 1200 << 5 << "獲得ポイント：5点×1→5点";
        QTest::newRow("on the target") << 60 << 1.0f << 60 << 5 << "獲得ポイント：5点×1→5点";
        QTest::newRow("just over") << 60 << 1.0f << 61 << 4 << "獲得ポイント：4点×1→4点";
        QTest::newRow("just under twice") << 60 << 1.0f << 119 << 4 << "獲得ポイント：4点×1→4点";
        QTest::newRow("twice") << 60 << 1.0f << 120 << 1 << "獲得ポイント：1点×1→1点";
        QTest::newRow("ten times") << 60 << 1.0f << 600 << 0 << "獲得ポイント：0点×1→0点";
        QTest::newRow("no time at all") << 60 << 1.0f << 0 << 55 << "獲得ポイント：55点×1→55点";
        QTest::newRow("rate 0.7 keeps 10 → 7") << 60 << 0.7f << 32 << 10 << "獲得ポイント：10点×0.7→7点";
        QTest::newRow("rate 2.25") << 60 << 2.25f << 30 << 11 << "獲得ポイント：11点×2.25→24点";
        QTest::newRow("rate 0") << 60 << 0.0f << 30 << 11 << "獲得ポイント：11点×0→0点";
        QTest::newRow("time-out") << 60 << 1.5f << 99999 << 0 << "獲得ポイント：0点×1.5→0点";
        QTest::newRow("time-out within a huge target") << 200000 << 1.0f << 99998 << 0 << "獲得ポイント：0点×1→0点";
        QTest::newRow("last time that is not a time-out") << 200000 << 1.0f << 99997 << 11 << "獲得ポイント：11点×1→11点";
        QTest::newRow("no target, 0 s") << 0 << 1.0f << 0 << 0 << "獲得ポイント：0点×1→0点";
        QTest::newRow("no target, 5 s") << 0 << 1.0f << 5 << 0 << "獲得ポイント：0点×1→0点";
    }
    void points()
    {
        QFETCH(int, target);
        QFETCH(float, rate);
        QFETCH(int, seconds);
        QFETCH(int, raw);
        QFETCH(QString, line);
        const qint32 got = AttemptOutcome::RawPoints(target, seconds);
        QCOMPARE(got, raw);
        QCOMPARE(AttemptOutcome::PointsLine(got, rate, AttemptOutcome::ShownPoints(got, rate)), line);

        // The same through the evaluation of the recorded attempt.
        SetUp(2, target, target, rate, seconds);
        const AttemptOutcome o = AppCalls::Evaluate();
        QCOMPARE(o.Raw, raw);
        QCOMPARE(o.PointsText, line);
    }

    void rateText_data()
    {
        QTest::addColumn<float>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1.0f << "1";
        QTest::newRow("1.5") << 1.5f << "1.5";
        QTest::newRow("0.7") << 0.7f << "0.7";
        QTest::newRow("0.1") << 0.1f << "0.1";
        QTest::newRow("1.1") << 1.1f << "1.1";
        QTest::newRow("0.125") << 0.125f << "0.125";
        QTest::newRow("10") << 10.0f << "10";
        QTest::newRow("100") << 100.0f << "100";
        QTest::newRow("3.333333") << 3.333333f << "3.333333";
        QTest::newRow("large, no exponent") << 25000000.0f << "25000000";
        QTest::newRow("0") << 0.0f << "0";
        QTest::newRow("negative") << -1.5f << "-1.5";
    }
    void rateText()
    {
        QFETCH(float, rate);
        QTEST(AttemptOutcome::RateText(rate), "text");
    }

    void timeLine_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "今の成績：0秒";
        QTest::newRow("30") << 30 << "今の成績：30秒";
        QTest::newRow("99997") << 99997 << "今の成績：99997秒";
        QTest::newRow("99998") << 99998 << "記録なし";
        QTest::newRow("time-out") << 99999 << "記録なし";
    }
    void timeLine()
    {
        QFETCH(int, seconds);
        QTEST(AttemptOutcome::TimeLine(seconds), "text");
    }

    void counterLines()
    {
        // Half-width space first, full-width space before the count; full-width opening bracket.
        QCOMPARE(AttemptOutcome::TodayLevelLine(3), QString::fromUtf16(u"\u0020(このレベル\u30003回目)"));
        QCOMPARE(AttemptOutcome::TodayTotalLine(12), QString::fromUtf16(u"\uFF0812回目)"));
    }

    void messageAndCue_data()
    {
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<bool>("schoolBest");
        QTest::addColumn<bool>("personalBest");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("played");
        QTest::newRow("time-out") << true << false << false << 99999 << "時間切れ" << QStringList();
        QTest::newRow("both bests") << false << true << true << 30 << "！！！最高新記録！！！" << QStringList{"最高1.wav"};
        QTest::newRow("school best") << false << true << false << 30 << "！！！最高新記録！！！" << QStringList{"最高1.wav"};
        QTest::newRow("personal best") << false << false << true << 30 << "新記録おめでとう" << QStringList{"jiko2.wav"};
        QTest::newRow("personal best slower than lowest") << false << false << true << 95 << "新記録おめでとう"
                                                         << QStringList{"jiko2.wav"};
        QTest::newRow("ordinary, slower than lowest") << false << false << false << 91 << "" << QStringList();
        QTest::newRow("ordinary, on the lowest") << false << false << false << 90 << "" << QStringList{"fu1.wav"};
        QTest::newRow("ordinary, faster") << false << false << false << 30 << "" << QStringList{"fu1.wav"};
    }
    void messageAndCue()
    {
        QFETCH(bool, timedOut);
        QFETCH(bool, schoolBest);
        QFETCH(bool, personalBest);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QFETCH(QStringList, played);
        TestInstallation::WriteText(TestSchool().SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("自己最高音1,jiko1,*\n自己最高音2,jiko2,*\n不合格音1,fu1,*\n"));
        Cues.Table = SoundCues::LoadSoundTable(TestSchool().SoundFolder);
        SetUp(1, 60, 90, 1.0f, seconds);
        TestSession().TimedOut = timedOut;
        TestSession().NewSchoolBest = schoolBest;
        TestSession().NewPersonalBest = personalBest;

        const AttemptOutcome o = AppCalls::Evaluate();
        QCOMPARE(AttemptOutcome::MessageText(o.Record), text);
        AttemptOutcome::Play(o.RecordCue, Cues);
        QStringList expected;
        for (const QString& f : played)
            expected << TestSchool().SoundFolder + f;
        QCOMPARE(Player.Played, expected);
    }

    void afterPause_data()
    {
        QTest::addColumn<bool>("overdoing");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<bool>("finalLevel");
        QTest::addColumn<bool>("finalCleared");
        QTest::addColumn<AfterPause>("decision");
        QTest::newRow("plain attempt") << false << false << false << false << AfterPause::OfferRetry;
        QTest::newRow("passed, not overdoing") << false << true << false << false << AfterPause::OfferRetry;
        QTest::newRow("overdoing, not passed") << true << false << false << false << AfterPause::OfferRetry;
        QTest::newRow("overdoing the final level, not passed") << true << false << true << false << AfterPause::OfferRetry;
        QTest::newRow("overdoing a passed level, course open") << true << true << false << false
                                                              << AfterPause::SuggestNextLevel;
        QTest::newRow("overdoing a passed level, course cleared") << true << true << false << true
                                                                 << AfterPause::OfferRetry;
        QTest::newRow("overdoing the passed final level") << true << true << true << false
                                                         << AfterPause::OfferRetryWithoutPassLine;
        QTest::newRow("overdoing the passed final level, cleared") << true << true << true << true
                                                                  << AfterPause::OfferRetryWithoutPassLine;
    }
    void afterPause()
    {
        QFETCH(bool, overdoing);
        QFETCH(bool, passed);
        QFETCH(bool, finalLevel);
        QFETCH(bool, finalCleared);
        QFETCH(AfterPause, decision);
        QCOMPARE(AttemptOutcome::DecideAfterPause(overdoing, passed, finalLevel, finalCleared), decision);

        // The same from the tables: BanCount 3 reached, ClearPoints 20 and ClearCount 2 reached or not.
        const int level = finalLevel ? 3 : 1;
        SetUp(level, 60, 90, 1.0f, 30);
        TestSchool().Criteria[level].BanCount = CriteriaValue::FromNumber(3);
        TestSchool().Results.BanWindowCount(level, 7) = overdoing ? 3 : 2;
        TestSchool().Results.JudgeCount(level, 7) = 3;
        TestSchool().Results.JudgePoints(level, 7) = passed ? 20 : 19;
        TestSession().FinalLevelCleared = finalCleared ? 1 : 0;
        QCOMPARE(AppCalls::DecideAfterPause(), decision);
    }

    void passAndFinalLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("judgePoints");
        QTest::addColumn<bool>("alreadyPassed");
        QTest::addColumn<int>("unreachableLevel"); // a level whose ClearCount is 9999, 0 for none
        QTest::addColumn<bool>("passed");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("passCue");
        QTest::newRow("final level, first pass") << 3 << 20 << false << 0 << true << true << true;
        QTest::newRow("final level, passed before") << 3 << 20 << true << 0 << true << true << false;
        QTest::newRow("final level, not passed") << 3 << 19 << false << 0 << false << false << false;
        QTest::newRow("final level, a course without end") << 3 << 20 << false << 20 << true << false << true;
        QTest::newRow("9999 on level 35 counts too") << 3 << 20 << false << 35 << true << false << true;
        QTest::newRow("other level passed") << 2 << 20 << false << 0 << true << false << false;
    }
    void passAndFinalLevel()
    {
        QFETCH(int, level);
        QFETCH(int, judgePoints);
        QFETCH(bool, alreadyPassed);
        QFETCH(int, unreachableLevel);
        SetUp(level, 60, 90, 1.0f, 30);
        TestSchool().Results.JudgeCount(level, 7) = 2;
        TestSchool().Results.JudgePoints(level, 7) = judgePoints;
        TestSession().AlreadyPassed = alreadyPassed;
        if (unreachableLevel)
            TestSchool().Criteria[unreachableLevel].ClearCount = 9999;
        const AttemptOutcome o = AppCalls::Evaluate();
        QTEST(o.Passed, "passed");
        QTEST(o.ShowFinalPicture, "picture");
        QTEST(o.PlayPassCue, "passCue");
    }

    void linesFromTheRecord()
    {
        SetUp(2, 60, 90, 1.5f, 30);
        ResultTables& t = TestSchool().Results;
        t.TodayCount(1, 7) = 2;
        t.TodayCount(2, 7) = 3;
        t.TodayCount(35, 7) = 1;
        t.TodayCount(0, 7) = 40;  // no level: not part of the day's total
        t.TodayCount(2, 8) = 9;   // another pupil
        const AttemptOutcome o = AppCalls::Evaluate();
        QCOMPARE(o.TitleText, QStringLiteral("ゾメ２"));
        QCOMPARE(o.LevelText, QStringLiteral("レベル２"));
        QCOMPARE(o.PupilText, QStringLiteral("山田太郎"));
        QCOMPARE(o.TimeText, QStringLiteral("今の成績：30秒"));
        QCOMPARE(o.TodayTotal, qint16(6));
        QCOMPARE(o.TodayTotalText, QStringLiteral("（6回目)"));
        QCOMPARE(o.TodayLevelText, QStringLiteral(" (このレベル　3回目)"));
    }

    // A level outside the catalogue (a damaged state) shows what it can without reading past the tables.
    void levelOutsideTheTables_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("0") << 0;
        QTest::newRow("36") << 36;
        QTest::newRow("-1") << -1;
    }
    void levelOutsideTheTables()
    {
        QFETCH(int, level);
        SetUp(1, 60, 90, 1.0f, 30);
        TestSession().CurrentLevel = qint16(level);
        const AttemptOutcome o = AppCalls::Evaluate();
        QCOMPARE(o.LevelText, QString());
        QVERIFY(!o.Passed);
        QCOMPARE(o.TodayTotal, qint16(0));
        QCOMPARE(AppCalls::DecideAfterPause(), AfterPause::OfferRetry);
    }
};

QTEST_GUILESS_MAIN(TestAttemptOutcome)
#include "tst_AttemptOutcome.moc"
