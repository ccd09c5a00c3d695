#include "drill/DrillScript.h"
#include "drill/ui/DrillScreen.h"
#include "sound/SoundCues.h"
#include "support/TestScopes.h"
#include "support/ManualClock.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>

class TestDrillScreen : public QObject {
    Q_OBJECT
    ManualClock Clock;
    ScriptedRandom Random;
    RecordingPlayer Player;
    SoundCues Cues;
    QPointer<DrillScreen> Screen;
    int EndCalls = 0;
    int StartCalls = 0;

    DrillScreen* Open(int level, QList<double> script)
    {
        TestSession().CurrentLevel = qint16(level);
        Random.Values = std::move(script);
        Screen = new DrillScreen(TestSchool(), TestSession(), TestEnv());
        connect(Screen.data(), &DrillScreen::AttemptEnded, this, [this] { ++EndCalls; });
        connect(Screen.data(), &DrillScreen::AttemptStarted, this, [this] { ++StartCalls; });
        Screen->resize(1024, 768);
        Screen->show();
        if (!QTest::qWaitForWindowExposed(Screen))
            qWarning("drill screen not exposed");
        return Screen;
    }
    QLabel* Label(const QString& name) const { return Screen->findChild<QLabel*>(name); }
    QLabel* Cell(int cell) const { return Label(QStringLiteral("Cell_%1").arg(cell)); }
    QLabel* Twin(int cell) const { return Label(QStringLiteral("Twin_%1").arg(cell)); }
    QWidget* Child(const QString& name) const { return Screen->findChild<QWidget*>(name); }
    QColor Colour(int cell) const { return Cell(cell)->palette().color(QPalette::Window); }
    // What the pupil sees of a cell: a pixel inside its border.
    QColor PaintedColour(int cell) const
    {
        const QImage image = Screen->grab().toImage();
        const QPoint at = Cell(cell)->mapTo(Screen.data(), QPoint(Cell(cell)->width() - 6, 6));
        return image.pixelColor(at);
    }
    QTimer* Timer(const char* name) const { return Screen->findChild<QTimer*>(name); }

private slots:
    void init()
    {
        ResetTestScopes();
        Clock = ManualClock();
        Random = ScriptedRandom();
        Player = RecordingPlayer();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Player = &Player;
        TestSchool().SoundFolder = QStringLiteral("/sounds/");
        Cues = SoundCues();
        Cues.Folder = TestSchool().SoundFolder;
        Cues.Player = &Player;
        Cues.Random = &Random;
        TestEnv().Cues = &Cues;
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        for (int level = 1; level <= 3; ++level) {
            TestSchool().Criteria[std::size_t(level)].TargetTime = 60;
            TestSchool().Criteria[std::size_t(level)].LowestTime = 90;
        }
        TestSession().CurrentPupil = 12;
        TestSession().CurrentPupilName = QStringLiteral("佐藤花子 ");
        TestSchool().SchoolName = QStringLiteral("ひまわり塾");
        TestSession().LoginTime = 10 * 3600 - 300;
        EndCalls = 0;
        StartCalls = 0;
    }
    void cleanup() { delete Screen.data(); }

    void opensWithHeaderAndFirstProblem()
    {
        Open(1, Example());
        // The screens the drill replaces may go.
        QCOMPARE(StartCalls, 1);

        const QList<QPair<QString, QString>> texts{
            {"TitleLabel", "ゾメ２"}, {"PupilLabel", "佐藤花子"}, {"LevelLabel", "レベル１"},
            {"SchoolLabel", "ひまわり塾"}, {"MinutesLabel", "起動後5分"}, {"TodayLabel", "本日1回目"},
            {"ThisLevelLabel", "このレベル1回目"}, {"RemainingLabel", "残り10問"}, {"TimeCaption", "タイム"},
            {"SecondsLabel", "0"}, {"InstructionLabel", "通分しなさい"}, {"EqualsSign", "＝"},
            {"KeyGuideLabel", "スペース=決定 　→次へ移動　↓消す　↑すべて消す"},
            {"BestLabel", "Best"}, {"YourBestLabel", "YourBest"}, {"PassLabel", "Pass"},
            {"HintLabel", "①分母の最大公約数を求める"}, {"ConfirmPrompt", "＋を２回押しなさい"},
            {"RecordingLabel", "成績記録中"}, {"TimeUpLabel", "時間切れ"},
        };
        for (const auto& [name, text] : texts) {
            QVERIFY2(Label(name), qPrintable(name));
            QCOMPARE(Label(name)->text(), text);
        }
        const QStringList given{"6", "5", "15", "4"};
        for (int cell = 1; cell <= 4; ++cell) {
            QCOMPARE(Cell(cell)->text(), given[cell - 1]);
            QCOMPARE(Colour(cell), QColor(255, 255, 192));
        }
        QCOMPARE(Colour(5), QColor(0, 192, 0));
        QCOMPARE(Colour(6), QColor(128, 255, 128));
        QCOMPARE(Colour(10), QColor(255, 255, 255));
        for (int cell = 1; cell <= 11; ++cell) {
            QVERIFY(Cell(cell)->isVisible());
            QVERIFY(!Twin(cell)->isVisible());
        }
        for (int n = 10; n <= 39; ++n)
            QVERIFY(Child(QStringLiteral("Marker_%1").arg(n))->isVisible());
        QVERIFY(Label("HintLabel")->isVisible());
        QVERIFY(!Label("ConfirmPrompt")->isVisible());
        QVERIFY(!Child("EndOverlay")->isVisible());
        QVERIFY(!Child("ConfirmButton")->isVisible());
        QCOMPARE(Timer("OneSecondTimer")->interval(), 1000);
        QVERIFY(Timer("OneSecondTimer")->isActive());
        QCOMPARE(Timer("TenSecondTimer")->interval(), 10000);
        QVERIFY(Timer("TenSecondTimer")->isActive());
        QCOMPARE(Random.SeedCount, 1);
        QCOMPARE(Random.LastSeed, 36000000u);
        // The screen takes every key itself.
        for (QWidget* child : Screen->findChildren<QWidget*>())
            QCOMPARE(child->focusPolicy(), Qt::NoFocus);
        // The zones of the track: 60 and 90 of 450 seconds.
        const int track = Child("TimeTrack")->width();
        QVERIFY(qAbs(Child("TargetZone")->width() - track * 60 / 450) <= 2);
        QVERIFY(qAbs(Child("LowestZone")->width() - track * 90 / 450) <= 2);
        QCOMPARE(PaintedColour(5), QColor(0, 192, 0));
    }

    void correctProblemBringsTheNext_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("level 2") << 2;
        QTest::newRow("level 3") << 3;
    }
    void correctProblemBringsTheNext()
    {
        QFETCH(int, level);
        Open(level, Example() + Second());
        QTest::keyClicks(Screen, QString::fromLatin1(ExampleAnswer(level)).chopped(1));
        QCOMPARE(Cell(8)->text(), QStringLiteral("30"));
        QCOMPARE(Cell(10)->text(), QStringLiteral("30"));
        QTest::keyClick(Screen, Qt::Key_Space);
        QCOMPARE(TestSession().SolvedCount, 1);
        QCOMPARE(Label("RemainingLabel")->text(), QStringLiteral("残り9問"));
        QCOMPARE(Cell(1)->text(), QStringLiteral("8"));
        QCOMPARE(Cell(3)->text(), QStringLiteral("12"));
        for (int cell : {8, 9, 10, 11})
            QVERIFY(Cell(cell)->text().isEmpty());
        QCOMPARE(Colour(level == 3 ? 8 : 5), QColor(0, 192, 0));
    }

    void wrongAnswerWaitsForPlusTwice()
    {
        Open(1, Example() + Second());
        QTest::keyClicks(Screen, "3 2 5 60 25 8 ");
        QCOMPARE(Colour(8), QColor(255, 128, 128));
        QCOMPARE(PaintedColour(8), QColor(255, 128, 128));
        QCOMPARE(Colour(9), QColor(128, 255, 128));
        QVERIFY(Twin(8)->isVisible());
        QCOMPARE(Twin(8)->text(), QStringLiteral("30"));
        QVERIFY(Twin(10)->isVisible());
        QCOMPARE(Twin(10)->text(), QStringLiteral("30"));
        for (int cell : {5, 6, 7, 9, 11})
            QVERIFY(!Twin(cell)->isVisible());
        QVERIFY(Label("ConfirmPrompt")->isVisible());
        QVERIFY(!Label("HintLabel")->isVisible());

        QTest::keyClicks(Screen, "+5+");
        QVERIFY(Label("ConfirmPrompt")->isVisible());
        QCOMPARE(Cell(1)->text(), QStringLiteral("6"));
        QCOMPARE(Cell(11)->text(), QStringLiteral("8"));
        QTest::keyClick(Screen, '+');
        QVERIFY(!Label("ConfirmPrompt")->isVisible());
        QCOMPARE(Cell(1)->text(), QStringLiteral("8"));
        for (int cell = 1; cell <= 11; ++cell)
            QVERIFY(!Twin(cell)->isVisible());
        QCOMPARE(Colour(8), QColor(128, 255, 128));
        QCOMPARE(Colour(5), QColor(0, 192, 0));
        QVERIFY(Label("HintLabel")->isVisible());
        QCOMPARE(TestSession().SolvedCount, 0);
    }

    void levelThreeHidesTheSteps()
    {
        Open(3, Example());
        for (int cell : {5, 6, 7}) {
            QVERIFY(!Cell(cell)->isVisible());
            QVERIFY(!Twin(cell)->isVisible());
        }
        QCOMPARE(Colour(8), QColor(0, 192, 0));
        QVERIFY(!Label("HintLabel")->isVisible());
        QTest::keyClick(Screen, Qt::Key_Right);
        QCOMPARE(Colour(9), QColor(0, 192, 0));
        QTest::keyClick(Screen, Qt::Key_Right);
        QCOMPARE(Colour(11), QColor(0, 192, 0));
        QTest::keyClick(Screen, Qt::Key_Right);
        QCOMPARE(Colour(8), QColor(0, 192, 0));
        QCOMPARE(Colour(11), QColor(128, 255, 128));
        QTest::keyClick(Screen, Qt::Key_Left);
        QCOMPARE(Colour(11), QColor(0, 192, 0));
    }

    void keysThatClearAndEdit()
    {
        Open(2, Example());
        QTest::keyClicks(Screen, "3 2 5 3000");
        QCOMPARE(Cell(8)->text(), QStringLiteral("300"));
        QCOMPARE(Cell(10)->text(), QStringLiteral("300"));
        QCOMPARE(Player.Played, QStringList{"/sounds/警告1.wav"});
        QTest::keyClick(Screen, Qt::Key_Backspace);
        QCOMPARE(Cell(10)->text(), QStringLiteral("30"));
        QTest::keyClick(Screen, Qt::Key_Down);
        QVERIFY(Cell(8)->text().isEmpty());
        QVERIFY(Cell(10)->text().isEmpty());
        // An input method's full-width digit counts as the digit.
        QTest::sendKeyEvent(QTest::Click, Screen, Qt::Key_7, QStringLiteral("７"), Qt::NoModifier);
        QCOMPARE(Cell(8)->text(), QStringLiteral("7"));
        QTest::keyClick(Screen, Qt::Key_Up);
        for (int cell : {5, 6, 7, 8, 9, 10, 11})
            QVERIFY(Cell(cell)->text().isEmpty());
        QCOMPARE(Colour(5), QColor(0, 192, 0));
        QCOMPARE(Colour(8), QColor(128, 255, 128));
    }

    void hintAndGuideLines_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("rights");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("8") << 1 << 3 << "④２つをかける（どちらでもよい）" << QList<int>{3, 4};
        QTest::newRow("9") << 1 << 4 << "⑤２つをかける" << QList<int>{2};
        QTest::newRow("11") << 1 << 5 << "⑥２つをかける" << QList<int>{1};
        QTest::newRow("level 2") << 2 << 4 << QString() << QList<int>{};
    }
    void hintAndGuideLines()
    {
        QFETCH(int, level);
        QFETCH(int, rights);
        QFETCH(QString, hint);
        QFETCH(QList<int>, lines);
        Open(level, Example());
        for (int i = 0; i < rights; ++i)
            QTest::keyClick(Screen, Qt::Key_Right);
        QCOMPARE(Label("HintLabel")->isVisible(), !hint.isEmpty());
        if (!hint.isEmpty())
            QCOMPARE(Label("HintLabel")->text(), hint);
        for (int line = 1; line <= 4; ++line)
            QCOMPARE(Child(QStringLiteral("GuideLine_%1").arg(line))->isVisible(), lines.contains(line));
        QVERIFY(!Screen->grab().isNull());
    }

    void timeLimitEndsTheAttempt()
    {
        Open(1, Example());
        Clock.AdvanceMs(55 * 1000);
        Screen->OneSecondTick();
        QCOMPARE(Label("SecondsLabel")->text(), QStringLiteral("55"));
        for (int n = 30; n <= 39; ++n)
            QCOMPARE(Child(QStringLiteral("Marker_%1").arg(n))->isVisible(), n > 34);

        // The screen's own clock ticks at the limit.
        Clock.AdvanceMs(395 * 1000);
        QTRY_VERIFY_WITH_TIMEOUT(TestSession().TimedOut, 3000);
        QCOMPARE(TestSession().ElapsedSeconds, 450);
        QCOMPARE(EndCalls, 1);
        QVERIFY(!Timer("OneSecondTimer")->isActive());
        QCOMPARE(Child("ElapsedBar")->width(), Child("TimeTrack")->width());
        QTest::keyClick(Screen, '3');
        QVERIFY(Cell(5)->text().isEmpty());

        Screen->ShowEndOverlay(true);
        QVERIFY(Child("EndOverlay")->isVisible());
        QVERIFY(Label("TimeUpLabel")->isVisible());
        QVERIFY(!Label("RecordingLabel")->isVisible());
        Screen->ShowEndOverlay(false);
        QVERIFY(!Label("TimeUpLabel")->isVisible());
        QVERIFY(Label("RecordingLabel")->isVisible());

        // Coming back to the front after the end starts nothing again.
        const qsizetype drawn = Random.Index;
        Screen->BeginAttempt();
        QCOMPARE(Random.Index, drawn);
        QVERIFY(!Timer("OneSecondTimer")->isActive());
    }

    void reactivationRestartsTheClock()
    {
        Open(2, Example() + Second());
        TestSession().SolvedCount = 4;
        Clock.AdvanceMs(30 * 1000);
        Screen->OneSecondTick();
        QCOMPARE(Label("SecondsLabel")->text(), QStringLiteral("30"));
        Screen->BeginAttempt();
        QCOMPARE(Label("SecondsLabel")->text(), QStringLiteral("0"));
        QCOMPARE(Cell(1)->text(), QStringLiteral("8"));
        QCOMPARE(TestSession().SolvedCount, 4);
        QCOMPARE(Label("RemainingLabel")->text(), QStringLiteral("残り6問"));
        Clock.AdvanceMs(2000);
        Screen->OneSecondTick();
        QCOMPARE(TestSession().ElapsedSeconds, 2);
    }

    void closingStopsTheClocks()
    {
        Open(1, Example());
        QPointer<QTimer> tick = Timer("OneSecondTimer");
        Screen->close();
        QVERIFY(tick.isNull() || !tick->isActive());
    }
};

QTEST_MAIN(TestDrillScreen)
#include "tst_DrillScreen.moc"
