#include "support/AppCalls.h"
#include "attempt_end/ui/AttemptEndScreen.h"
#include "sound/SoundCues.h"
#include "records/PassCriteriaFile.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "support/TestScopes.h"
#include "base/OleDate.h"
#include "setup/ui/WaitScreen.h"
#include "menu/ui/LevelMenu.h"
#include "app/ScreenFlow.h"
#include "drill/ui/DrillScreen.h"
#include "support/ManualClock.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include "support/Screens.h"
#include <QtTest>

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 0, 0));
const double Today = 46366; // 2026-12-10 as an OLE date
constexpr qint16 Pupil = 7;

// Level rows: target, lowest, clear points, clear count, rate, ban count, ban points, judge days, ban days.
const QString Criteria = QStringLiteral("60,90,100,5,1.5,0,0,7,7,,,\n"
                                        "60,90,20,2,1,0,0,7,7,,,\n"
                                        "60,90,20,2,1,0,0,7,7,,,\n"
                                        "1500,1600,20,2,1,0,0,7,7,,,\n");


void AddScore(qint16 pupil, qint16 level, qint32 seconds, double date = Today)
{
    ScoreRecord r;
    r.Date = date;
    r.TimeOfDay = 0.3;
    r.Pupil = pupil;
    r.Level = level;
    r.Seconds = seconds;
    AppCalls::File().AppendScoreRecord(r);
}
} // namespace

class TestAttemptEndScreen : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    ScriptedRandom Random;
    RecordingPlayer Player;
    std::unique_ptr<TestInstallation> Inst;
    QPointer<AttemptEndScreen> Screen;
    QStringList Fatals;
    std::unique_ptr<ScreenFlow> Flow;
    int DrillStarts = 0;
    bool WaitScreenAtDrillStart = false;

    // The attempt just ended, recorded as the drill does before this screen opens.
    void Attempt(int level, qint32 seconds, bool timedOut = false)
    {
        TestSession().CurrentLevel = qint16(level);
        AppCalls::ComputeResultTables();
        TestSession().RecordedSeconds = seconds;
        TestSession().TimedOut = timedOut;
        AppCalls::RecordAttempt(level);
    }
    // The screen as the flow opens it after the one-second wait (here no wait).
    void Open()
    {
        Player.Played.clear();
        Flow->WaitSeconds(0);
        Screen = Visible<AttemptEndScreen>().value(0);
        QVERIFY(Screen);
        connect(Screen.data(), &AttemptEndScreen::FatalErrorRaised, this, [this](const QString& m) { Fatals << m; });
        QSignalSpy done(Screen.data(), &AttemptEndScreen::Activated);
        QVERIFY(done.wait(10000));
    }
    // Notes the drill screens that open, and whether the wait screen was up when they did.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<DrillScreen*>(watched)) {
            ++DrillStarts;
            WaitScreenAtDrillStart = Visible<WaitScreen>().size() == 1;
        }
        return false;
    }
    QLabel* Line(const char* name) const { return Screen->findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return Screen->findChild<QPushButton*>(name); }
    QStringList Files(const QStringList& names) const
    {
        QStringList paths;
        for (const QString& n : names)
            paths << TestSchool().SoundFolder + n;
        return paths;
    }
    // Waits for the pause to end: the buttons appear.
    void WaitForButtons() { QTRY_VERIFY(Button("MenuButton")->isVisible()); }

private slots:
    void init()
    {
        ResetTestScopes();
        Clock.Set(Now);
        Random = ScriptedRandom();
        Player = RecordingPlayer();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Player = &Player;
        TestEnv().Wait = [](int) {};
        TestEnv().Windowed = true;
        Inst = std::make_unique<TestInstallation>();
        Inst->ApplyTo(TestSchool());
        Inst->WriteCriteria(Criteria);
        AppCalls::LoadPassCriteria();
        TestInstallation::WriteText(Inst->SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("自己最高音2,jiko2,*\n不合格音1,fu1,*\n"));
        Flow = std::make_unique<ScreenFlow>(TestSchool(), TestSession(), TestEnv());
        Flow->Cues().Table = SoundCues::LoadSoundTable(TestSchool().SoundFolder);
        Flow->Cues().Folder = TestSchool().SoundFolder;
        Flow->Cues().Player = &Player;
        Flow->Cues().Random = &Random;
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        TestSession().CurrentPupil = Pupil;
        TestSession().CurrentPupilName = QStringLiteral(" 山田太郎  ");
        Fatals.clear();
        DrillStarts = 0;
        WaitScreenAtDrillStart = false;
        qApp->installEventFilter(this);
    }
    void cleanup()
    {
        qApp->removeEventFilter(this);
        DeleteAllScreens();
        Flow.reset();
        TestEnv().Windowed = false;
    }

    void lines_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("played");
        QTest::addColumn<QString>("todayTotal");
        QTest::addColumn<QString>("todayLevel");
        // History of every row: pupil 8 did 20 s on levels 1 and 2 today; pupil 7 did 40 s on
        // level 1 yesterday and 50 s on level 2 today.
        QTest::newRow("school best at rate 1.5") << 1 << 19 << false << "今の成績：19秒"
                                                 << "獲得ポイント：20点×1.5→30点" << "！！！最高新記録！！！"
                                                 << QStringList{"最高1.wav"} << "（2回目)" << " (このレベル　1回目)";
        QTest::newRow("personal best") << 1 << 30 << false << "今の成績：30秒" << "獲得ポイント：11点×1.5→16点"
                                       << "新記録おめでとう" << QStringList{"jiko2.wav"} << "（2回目)"
                                       << " (このレベル　1回目)";
        QTest::newRow("time-out") << 1 << 99999 << true << "記録なし" << "獲得ポイント：0点×1.5→0点" << "時間切れ"
                                  << QStringList() << "（1回目)" << " (このレベル　0回目)";
        QTest::newRow("slower than the lowest") << 2 << 91 << false << "今の成績：91秒" << "獲得ポイント：4点×1→4点"
                                                << "" << QStringList() << "（2回目)" << " (このレベル　2回目)";
        QTest::newRow("within the lowest") << 2 << 90 << false << "今の成績：90秒" << "獲得ポイント：4点×1→4点"
                                           << "" << QStringList{"fu1.wav"} << "（2回目)" << " (このレベル　2回目)";
    }
    void lines()
    {
        QFETCH(int, level);
        QFETCH(int, seconds);
        QFETCH(bool, timedOut);
        QFETCH(QString, message);
        QFETCH(QStringList, played);
        AddScore(8, 1, 20);
        AddScore(8, 2, 20);
        AddScore(Pupil, 1, 40, Today - 1);
        AddScore(Pupil, 2, 50);
        Attempt(level, seconds, timedOut);
        Open();
        QCOMPARE(Line("TitleLine")->text(), QStringLiteral("ゾメ２"));
        QCOMPARE(Line("LevelLine")->text(), TestSchool().Catalogue.LevelName[level]);
        QCOMPARE(Line("PupilLine")->text(), QStringLiteral("山田太郎"));
        QTEST(Line("TimeLine")->text(), "time");
        QTEST(Line("PointsLine")->text(), "points");
        QCOMPARE(Line("MessageLine")->text(), message);
        QCOMPARE(Line("MessageLine")->isVisible(), !message.isEmpty());
        QCOMPARE(Player.Played, Files(played));
        QTEST(Line("TodayTotalLine")->text(), "todayTotal");
        QTEST(Line("TodayLevelLine")->text(), "todayLevel");
        QCOMPARE(QString::number(TestSession().TodayTotal), Line("TodayTotalLine")->text().mid(1).section(u'回', 0, 0));
        QVERIFY(!TestSession().NewPersonalBest);
        QVERIFY(!TestSession().NewSchoolBest);
        QVERIFY(Line("PassLine")->isHidden());
        QVERIFY(Screen->findChild<QWidget*>("FinalLevelPicture")->isHidden());
        QVERIFY(Fatals.isEmpty());

        WaitForButtons();
        QVERIFY(Button("RetryButton")->isVisible());
        QCOMPARE(Screen->focusWidget(), Button("MenuButton"));
    }

    // The result tables count the attempt by the first three digits of its time; the screen does not.
    void shownPointsDifferFromRecordedPoints()
    {
        Attempt(4, 1200);
        Open();
        QCOMPARE(Line("PointsLine")->text(), QStringLiteral("獲得ポイント：5点×1→5点"));
        QCOMPARE(TestSchool().Results.TodayPoints(4, Pupil), 43);
        QCOMPARE(TestSchool().Results.TodayCount(4, Pupil), 1.0f);
    }

    void finalLevel_data()
    {
        QTest::addColumn<int>("earlier");        // attempts on level 3 earlier today
        QTest::addColumn<bool>("courseWithoutEnd");
        QTest::addColumn<bool>("passLine");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("passCue");
        QTest::newRow("first pass") << 1 << false << true << true << true;
        QTest::newRow("passed before") << 2 << false << true << true << false;
        QTest::newRow("not passed yet") << 0 << false << false << false << false;
        QTest::newRow("a level that can never be cleared") << 1 << true << true << false << true;
    }
    void finalLevel()
    {
        QFETCH(int, earlier);
        QFETCH(bool, courseWithoutEnd);
        QFETCH(bool, passLine);
        QFETCH(bool, picture);
        QFETCH(bool, passCue);
        if (courseWithoutEnd)
            TestSchool().Criteria[20].ClearCount = 9999;
        for (int i = 0; i < earlier; ++i)
            AddScore(Pupil, 3, 30);
        Attempt(3, 30); // equal to the earlier ones: no new best after them
        QCOMPARE(TestSession().AlreadyPassed, earlier >= 2);
        Open();
        auto* finalPicture = Screen->findChild<QWidget*>("FinalLevelPicture");
        auto* timer = Screen->findChild<QTimer*>("Timer1");
        QCOMPARE(Line("PassLine")->isVisible(), passLine);
        if (passLine)
            QCOMPARE(Line("PassLine")->text(), QStringLiteral("このレベルクリア"));
        // Until the pause is over (a slow machine may already be past it).
        if (timer->isActive())
            QCOMPARE(finalPicture->isVisible(), picture);
        QStringList expected{earlier == 0 ? "最高1.wav" : "fu1.wav"};
        if (passCue)
            expected << "合格.wav";
        QCOMPARE(Player.Played, Files(expected));
        WaitForButtons();
        QVERIFY(finalPicture->isHidden());
        QVERIFY(Button("RetryButton")->isVisible());
        QCOMPARE(Line("PassLine")->isVisible(), passLine);
    }

    void finalLevelText()
    {
        AddScore(Pupil, 3, 30);
        Attempt(3, 30);
        Open();
        QCOMPARE(Screen->findChild<QLabel*>("FinalLevelPicture")->text(), QStringLiteral("目標レベルクリア。おめでとう！"));
    }

    void overdoing_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("earlier");       // attempts of 30 s earlier today
        QTest::addColumn<int>("finalCleared");
        QTest::addColumn<QString>("passText");  // empty: the pass line is hidden
        QTest::addColumn<bool>("retry");
        QTest::newRow("passed non-final level, course open") << 2 << 2 << 0 << "次のレベルへ進みましょう" << false;
        QTest::newRow("passed non-final level, course cleared") << 2 << 2 << 1 << "このレベルクリア" << true;
        QTest::newRow("passed final level") << 3 << 2 << 0 << "" << true;
        QTest::newRow("passed, not yet overdoing") << 2 << 1 << 0 << "このレベルクリア" << true;
    }
    void overdoing()
    {
        QFETCH(int, level);
        QFETCH(int, earlier);
        QFETCH(int, finalCleared);
        QFETCH(QString, passText);
        QFETCH(bool, retry);
        TestSchool().Criteria[level].BanCount = CriteriaValue::FromNumber(3);
        for (int i = 0; i < earlier; ++i)
            AddScore(Pupil, qint16(level), 30);
        TestSession().FinalLevelCleared = qint16(finalCleared);
        Attempt(level, 30);
        Open();
        WaitForButtons();
        QCOMPARE(Line("PassLine")->isVisible(), !passText.isEmpty());
        QCOMPARE(Line("PassLine")->text(), passText);
        QCOMPARE(Button("RetryButton")->isVisible(), retry);
        QCOMPARE(Screen->focusWidget(), Button("MenuButton"));
    }

    void toTheMenu_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << "click";
        QTest::newRow("Enter") << "enter";
        QTest::newRow("space") << "space";
    }
    void toTheMenu()
    {
        QFETCH(QString, how);
        Attempt(1, 30);
        Open();
        WaitForButtons();
        QPushButton* menu = Button("MenuButton");
        QVERIFY(Visible<LevelMenu>().isEmpty());
        if (how == "click")
            QTest::mouseClick(menu, Qt::LeftButton);
        else if (how == "enter")
            QTest::keyClick(menu, Qt::Key_Return);
        else
            QTest::keyClick(menu, Qt::Key_Space);
        QCOMPARE(Visible<LevelMenu>().size(), 1);
        // A second press before the screen is gone opens no second menu.
        if (Screen) {
            QVERIFY(!menu->isEnabled());
            QTest::mouseClick(menu, Qt::LeftButton);
            QCOMPARE(Visible<LevelMenu>().size(), 1);
        }
        QTRY_VERIFY(Screen.isNull());
        QCOMPARE(DrillStarts, 0);
    }

    void oneMore_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << "click";
        QTest::newRow("Enter") << "enter";
    }
    void oneMore()
    {
        QFETCH(QString, how);
        Attempt(1, 30);
        Open();
        WaitForButtons();
        QPushButton* retry = Button("RetryButton");
        if (how == "click") {
            QTest::mouseClick(retry, Qt::LeftButton);
        } else {
            retry->setFocus();
            QTest::keyClick(retry, Qt::Key_Enter);
        }
        QCOMPARE(DrillStarts, 1);
        QVERIFY(WaitScreenAtDrillStart);
        QVERIFY(Visible<LevelMenu>().isEmpty());
        QTRY_VERIFY(Screen.isNull());
        QCOMPARE(TestSession().CurrentLevel, qint16(1));
    }

    // Coming back to the screen runs the evaluation again; the record flags were cleared the first time.
    void laterActivation()
    {
        Attempt(1, 30);
        Open();
        QCOMPARE(Line("MessageLine")->text(), QStringLiteral("！！！最高新記録！！！"));
        QTRY_VERIFY(Screen->isActiveWindow());
        QSignalSpy again(Screen.data(), &AttemptEndScreen::Activated);
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!Screen->isActiveWindow());
        QCOMPARE(again.size(), 0);
        Player.Played.clear();
        Screen->activateWindow();
        QVERIFY(again.wait(10000));
        QVERIFY(Line("MessageLine")->isHidden());
        QCOMPARE(Player.Played, Files({"fu1.wav"}));
        QCOMPARE(Line("TimeLine")->text(), QStringLiteral("今の成績：30秒"));
    }

    void closesTheWaitScreen()
    {
        Flow->ShowWaitScreen();
        QPointer<WaitScreen> wait = Visible<WaitScreen>().value(0);
        QVERIFY(wait);
        Attempt(1, 30);
        Open();
        QTRY_VERIFY(wait.isNull() || !wait->isVisible());
    }

    void lostDataFolderIsFatal()
    {
        Attempt(1, 30);
        QVERIFY(QDir(Inst->DataFolder).removeRecursively());
        Open();
        QCOMPARE(Fatals.size(), 1);
        QVERIFY2(Fatals[0].contains(QStringLiteral("成績累積データ.dat")), qPrintable(Fatals[0]));
        QCOMPARE(Line("TimeLine")->text(), QString());
        QVERIFY(Player.Played.isEmpty());
    }

    // At any window size every line keeps its longest text inside its own place, below the one above.
    void layoutHoldsTheLongestTexts_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("800x600") << QSize(800, 600);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }
    void layoutHoldsTheLongestTexts()
    {
        QFETCH(QSize, size);
        TestSession().CurrentPupilName = QString(10, QChar(0x9F8D));
        TestSchool().Catalogue.LevelName[1] = QStringLiteral("レベル４－２");
        TestSchool().Criteria[1].PointRate = 1.25f;
        Attempt(1, 0);
        TestSession().NewSchoolBest = true;
        Open();
        Screen->resize(size);
        QCoreApplication::processEvents();
        Line("MessageLine")->setText(QStringLiteral("！！！最高新記録！！！"));
        Line("PassLine")->setText(QStringLiteral("次のレベルへ進みましょう"));
        Line("TodayTotalLine")->setText(QStringLiteral("（999回目)"));
        Line("TodayLevelLine")->setText(QStringLiteral(" (このレベル　999回目)"));
        Line("TimeLine")->setText(QStringLiteral("今の成績：99997秒"));
        const QStringList column{"TitleLine", "LevelLine", "PupilLine", "TimeLine", "PointsLine", "MessageLine", "PassLine"};
        const QRect area = Screen->rect();
        int bottom = 0;
        for (const QString& name : column) {
            QLabel* l = Screen->findChild<QLabel*>(name);
            const QRect g = l->geometry();
            QVERIFY2(area.contains(g), qPrintable(name));
            QVERIFY2(g.top() >= bottom, qPrintable(name));
            bottom = g.bottom();
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= g.width(), qPrintable(name + ": " + l->text()));
            QVERIFY2(l->fontMetrics().height() <= g.height(), qPrintable(name));
        }
        for (const char* name : {"TodayTotalLine", "TodayLevelLine"}) {
            QLabel* l = Line(name);
            QVERIFY(area.contains(l->geometry()));
            QVERIFY(!l->geometry().intersects(Line("TitleLine")->geometry()));
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), name);
        }
        for (const char* name : {"MenuButton", "RetryButton"}) {
            QPushButton* b = Button(name);
            QVERIFY(area.contains(b->geometry()));
            QVERIFY(b->geometry().top() > Line("PassLine")->geometry().bottom());
            QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) < b->width());
        }
        QVERIFY(!Button("MenuButton")->geometry().intersects(Button("RetryButton")->geometry()));
        auto* picture = Screen->findChild<QLabel*>("FinalLevelPicture");
        QVERIFY(area.contains(picture->geometry()));
        QVERIFY(picture->fontMetrics().horizontalAdvance(picture->text()) <= picture->contentsRect().width());
        // The background picture covers the whole design area.
        auto* background = Screen->findChild<QWidget*>("Background");
        const QSize design(qRound(1024 * Screen->Scale()), qRound(768 * Screen->Scale()));
        QVERIFY(qAbs(background->width() - design.width()) <= 1 && qAbs(background->height() - design.height()) <= 1);
        QVERIFY(area.contains(background->geometry()));
    }
};

QTEST_MAIN(TestAttemptEndScreen)
#include "tst_AttemptEndScreen.moc"
