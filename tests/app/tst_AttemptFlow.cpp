#include "support/AppCalls.h"
#include "attempt_end/ui/AttemptEndScreen.h"
#include "sound/SoundCues.h"
#include "drill/ui/DrillScreen.h"
#include "records/PassCriteriaFile.h"
#include "records/ScoreFile.h"
#include "support/TestScopes.h"
#include "menu/ui/LevelMenu.h"
#include "roster/ui/NameScreen.h"
#include "setup/ui/WaitScreen.h"
#include "app/ScreenFlow.h"
#include "support/ManualClock.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>
#include "support/Screens.h"
#include <QtTest>

// A whole attempt through the real screens and the real score file: from StartDrill through the
// drill screen and EndAttempt to the attempt end screen.
class TestAttemptFlow : public QObject {
    Q_OBJECT
    ManualClock Clock;
    ScriptedRandom Random;
    RecordingPlayer Player;
    std::unique_ptr<TestInstallation> Inst;
    QList<int> Waits;
    bool OverlayTimeUpSeenDuringWait = false;
    bool OverlayRecordingSeenDuringWait = false;
    bool WaitScreenCoveredTheOverlay = false;
    std::unique_ptr<ScreenFlow> Flow;

    template <typename T>
    static T* Screen()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<T*>(w); s && s->isVisible())
                return s;
        return nullptr;
    }
    static QString Text(QWidget* screen, const char* name)
    {
        auto* l = screen->findChild<QLabel*>(QString::fromLatin1(name));
        return l ? l->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
    }
    static QList<ScoreRecord> Records()
    {
        QList<ScoreRecord> out;
        for (qint32 n = 1; n <= AppCalls::File().RecordCount(); ++n)
            out << AppCalls::File().ReadRecord(n);
        return out;
    }
    // Types the expected value of every asked cell, a space after each, as a pupil would.
    static void SolveCurrentProblem(DrillScreen* drill)
    {
        const FractionProblem& p = drill->Model().Problem();
        QString keys;
        for (int cell = 1; cell <= 11; ++cell)
            if (p.IsAsked(cell))
                keys += p.Expected[std::size_t(cell)] + u' ';
        QTest::keyClicks(drill, keys);
    }

private slots:
    void init()
    {
        ResetTestScopes();
        Clock = ManualClock();
        Random = ScriptedRandom({0.3});
        Player = RecordingPlayer();
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Player = &Player;
        Flow = std::make_unique<ScreenFlow>(TestSchool(), TestSession(), TestEnv());
        Flow->Cues().Folder = TestSchool().SoundFolder;
        Flow->Cues().Player = &Player;
        Flow->Cues().Random = &Random;
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎");
        TestSession().LoginTime = 9 * 3600;
        AppCalls::LoadPassCriteria(); // levels 1–3: target 60 s, lowest 90 s
        Waits.clear();
        OverlayTimeUpSeenDuringWait = OverlayRecordingSeenDuringWait = WaitScreenCoveredTheOverlay = false;
        TestEnv().Wait = [this](int ms) {
            Waits << ms;
            if (DrillScreen* drill = Screen<DrillScreen>()) {
                auto* overlay = drill->findChild<QWidget*>("EndOverlay");
                auto* timeUp = drill->findChild<QWidget*>("TimeUpLabel");
                auto* recording = drill->findChild<QWidget*>("RecordingLabel");
                OverlayTimeUpSeenDuringWait = overlay->isVisible() && timeUp->isVisible() && !recording->isVisible();
                OverlayRecordingSeenDuringWait = overlay->isVisible() && recording->isVisible() && !timeUp->isVisible();
                // The wait screen must leave the overlay in view.
                const QRect shown(overlay->mapToGlobal(QPoint(0, 0)), overlay->size());
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (qobject_cast<WaitScreen*>(w) && w->isVisible() && w->frameGeometry().intersects(shown))
                        WaitScreenCoveredTheOverlay = true;
            }
        };
    }
    void cleanup()
    {
        DeleteAllScreens();
        Flow.reset();
        ResetTestScopes();
    }

    void tenSolvedProblemsRecordTheTimeAndOpenTheEndScreen()
    {
        Flow->ShowLevelMenu();
        QVERIFY(Screen<LevelMenu>());
        QTRY_VERIFY(Screen<LevelMenu>()->IsReady());
        QTest::keyClick(Screen<LevelMenu>(), Qt::Key_2);
        DrillScreen* drill = Screen<DrillScreen>();
        QVERIFY(drill);
        QVERIFY(QTest::qWaitForWindowExposed(drill));
        QCOMPARE(TestSession().CurrentLevel, qint16(2));
        // The drill replaces the menu and the wait screen.
        QTRY_VERIFY(!Screen<LevelMenu>());
        QVERIFY(!Screen<WaitScreen>());
        for (int problem = 1; problem <= 10; ++problem) {
            QVERIFY2(Screen<DrillScreen>(), qPrintable(QString::number(problem)));
            Clock.AdvanceMs(4000);
            drill->OneSecondTick();
            SolveCurrentProblem(drill);
        }
        QTRY_VERIFY(Screen<AttemptEndScreen>());
        QVERIFY(!Screen<DrillScreen>());
        QCOMPARE(Waits, QList<int>{1000});
        QVERIFY(OverlayRecordingSeenDuringWait);
        QVERIFY(!WaitScreenCoveredTheOverlay);

        const QList<ScoreRecord> records = Records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].Pupil, qint16(1));
        QCOMPARE(records[0].Level, qint16(2));
        QCOMPARE(records[0].Seconds, 40);
        QCOMPARE(records[0].SchoolCode, QByteArray("12345"));

        AttemptEndScreen* end = Screen<AttemptEndScreen>();
        QTRY_COMPARE(Text(end, "TimeLine"), QStringLiteral("今の成績：40秒"));
        QCOMPARE(Text(end, "LevelLine"), QStringLiteral("レベル２"));
        // The first attempt on the level is a school best.
        QTRY_COMPARE(Player.Played.count(TestSchool().SoundFolder + QStringLiteral("最高1.wav")), 1);
    }

    void timeOutRecords99999()
    {
        TestSession().CurrentLevel = 1;
        Flow->StartDrill();
        DrillScreen* drill = Screen<DrillScreen>();
        QVERIFY(QTest::qWaitForWindowExposed(drill));
        Clock.AdvanceMs(449000);
        drill->OneSecondTick();
        QVERIFY(Screen<DrillScreen>());
        QVERIFY(Records().isEmpty());
        Clock.AdvanceMs(1000); // 450 s = five times the lowest time
        drill->OneSecondTick();
        QTRY_VERIFY(Screen<AttemptEndScreen>());
        QVERIFY(OverlayTimeUpSeenDuringWait);
        QVERIFY(!WaitScreenCoveredTheOverlay);
        const QList<ScoreRecord> records = Records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].Seconds, 99999);
        QTRY_COMPARE(Text(Screen<AttemptEndScreen>(), "TimeLine"), QStringLiteral("記録なし"));
        QCOMPARE(Text(Screen<AttemptEndScreen>(), "MessageLine"), QStringLiteral("時間切れ"));
    }

    void practiceLevelRecordsNothingAndReturnsToTheMenu()
    {
        TestSession().CurrentLevel = 7; // "レベル３練習"
        TestSchool().Criteria[7].TargetTime = 60;
        TestSchool().Criteria[7].LowestTime = 90;
        Flow->StartDrill();
        DrillScreen* drill = Screen<DrillScreen>();
        QVERIFY(QTest::qWaitForWindowExposed(drill));
        QCOMPARE(Text(drill, "TodayLabel"), QStringLiteral("本日－回目"));
        Clock.AdvanceMs(450000);
        drill->OneSecondTick();
        QTRY_VERIFY(Screen<LevelMenu>());
        QVERIFY(!Screen<DrillScreen>());
        QVERIFY(!Screen<AttemptEndScreen>());
        QVERIFY(Waits.isEmpty());
        QVERIFY(Records().isEmpty());
    }

    void tryAgainStartsTheSameLevelAfresh()
    {
        TestSession().CurrentLevel = 3;
        Flow->StartDrill();
        DrillScreen* drill = Screen<DrillScreen>();
        QVERIFY(QTest::qWaitForWindowExposed(drill));
        Clock.AdvanceMs(450000);
        drill->OneSecondTick();
        QTRY_VERIFY(Screen<AttemptEndScreen>());
        auto* retry = Screen<AttemptEndScreen>()->findChild<QPushButton*>("RetryButton");
        QTRY_VERIFY(retry->isVisible());
        QTest::mouseClick(retry, Qt::LeftButton);
        QTRY_VERIFY(Screen<DrillScreen>());
        QVERIFY(!Screen<AttemptEndScreen>());
        QCOMPARE(TestSession().CurrentLevel, qint16(3));
        QVERIFY(!TestSession().TimedOut && !TestSession().EndingStarted && !TestSession().AttemptFinished);
        QCOMPARE(TestSession().SolvedCount, 0);
        // A timed-out attempt is recorded but not counted.
        QCOMPARE(Text(Screen<DrillScreen>(), "ThisLevelLabel"), QStringLiteral("このレベル1回目"));
    }

    void emptyConfirmOnTheNameScreenSoundsTheWrongCue()
    {
        // The name screen's empty confirm plays 間違い音2 through the same player as the drill.
        TestInstallation::WriteText(TestSchool().SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("間違い音2,bubu,*\n"));
        Flow->Cues().Table = SoundCues::LoadSoundTable(TestSchool().SoundFolder);
        Flow->ShowNameSelection();
        QWidget* names = nullptr;
        QTRY_VERIFY((names = Screen<QWidget>()) != nullptr);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<NameScreen*>(w))
                names = w;
        QTest::mouseClick(names->findChild<QPushButton*>("Command14"), Qt::LeftButton);
        QCOMPARE(Player.Played, QStringList{TestSchool().SoundFolder + QStringLiteral("bubu.wav")});
    }

    // The whole way: the name screen, the menu, a level, ten problems, the end screen and back to
    // the menu, which shows the new attempt in today's totals and in today's list.
    void fromTheNameScreenBackToTheMenu()
    {
        Flow->ShowNameSelection();
        NameScreen* names = Screen<NameScreen>();
        QVERIFY(names);
        QVERIFY(QTest::qWaitForWindowExposed(names));
        auto* list = names->findChild<QListWidget*>("List1");
        QTRY_COMPARE(list->count(), 2); // the dash row and 山田太郎
        list->setCurrentRow(1);
        QTest::keyClick(list, '1');
        QTRY_VERIFY(Screen<LevelMenu>());
        QTRY_VERIFY(!Screen<NameScreen>());
        LevelMenu* menu = Screen<LevelMenu>();
        QTRY_VERIFY(menu->IsReady());
        QCOMPARE(Text(menu, "Label18"), QStringLiteral("本日総回数＝0回"));
        QCOMPARE(Text(menu, "Label14_2"), QStringLiteral("-----"));

        QTest::keyClick(menu, '2');
        DrillScreen* drill = nullptr;
        QTRY_VERIFY((drill = Screen<DrillScreen>()) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(drill));
        QTRY_VERIFY(!Screen<LevelMenu>());
        for (int problem = 1; problem <= 10; ++problem) {
            Clock.AdvanceMs(4000);
            drill->OneSecondTick();
            SolveCurrentProblem(drill);
        }
        QTRY_VERIFY(Screen<AttemptEndScreen>());
        auto* toMenu = Screen<AttemptEndScreen>()->findChild<QPushButton*>("MenuButton");
        QTRY_VERIFY(toMenu->isVisible());
        QTest::mouseClick(toMenu, Qt::LeftButton);

        QTRY_VERIFY(Screen<LevelMenu>());
        menu = Screen<LevelMenu>();
        QTRY_VERIFY(menu->IsReady());
        QCOMPARE(Text(menu, "Label18"), QStringLiteral("本日総回数＝1回"));
        QCOMPARE(Text(menu, "Label14_2"), QStringLiteral("1回/6点")); // 40 s on a 60 s target
        QTest::mouseClick(menu->findChild<QRadioButton*>("Option2_0"), Qt::LeftButton);
        QTest::mouseClick(menu->findChild<QRadioButton*>("Option1_2"), Qt::LeftButton);
        auto* today = menu->findChild<QListView*>("List5_2");
        const QStringList rows = qobject_cast<QStringListModel*>(today->model())->stringList();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0], QStringLiteral("  40秒 10:00●山田太郎　●6"));
    }
};

QTEST_MAIN(TestAttemptFlow)
#include "tst_AttemptFlow.moc"
