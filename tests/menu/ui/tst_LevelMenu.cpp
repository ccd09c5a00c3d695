// The level menu on the offscreen platform, over a real installation and score file.
#include "base/OleDate.h"
#include "menu/ui/LevelMenu.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/ScriptedRandom.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStringListModel>
#include <QtTest>

namespace {
// Thursday 10 December 2026, 10:00.
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 0, 0));

ScoreRecord Record(int pupil, int level, int seconds, int daysAgo = 0, double timeOfDay = 0.375)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Now.date()) - daysAgo;
    r.TimeOfDay = timeOfDay;
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}
} // namespace

class TestLevelMenu : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    ScriptedRandom Random;
    std::unique_ptr<TestInstallation> Inst;
    QPointer<LevelMenu> Menu;

    // The menu as it opens after the name screen or an attempt, whose tables are up to date.
    void Open()
    {
        AppCalls::ComputeResultTables();
        Menu = new LevelMenu(TestSchool(), TestSession(), TestEnv());
        Menu->ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Menu));
        QTRY_VERIFY(Menu->IsReady());
    }
    QString Text(const QString& name) const
    {
        if (auto* l = Menu->findChild<QLabel*>(name))
            return l->text();
        return QStringLiteral("<no %1>").arg(name);
    }
    QStringList Rows(int level) const
    {
        auto* list = Menu->findChild<QListView*>(QStringLiteral("List5_%1").arg(level));
        return qobject_cast<QStringListModel*>(list->model())->stringList();
    }
    QRadioButton* Option(const QString& name) const { return Menu->findChild<QRadioButton*>(name); }
    QPushButton* Button(const QString& name) const { return Menu->findChild<QPushButton*>(name); }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Wait = [](int) {};
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        // Level 1: target 60 s, 2 attempts and 20 points to pass, barred at 3 attempts in 7 days.
        Inst->WriteCriteria(QStringLiteral("60,90,20,2,1,3,0,7,7,,,\n60,90,9999,5,1.5,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n"));
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2014,0,0,鈴木一郎,0,,\n"));
        AppCalls::LoadPassCriteria();
        QVERIFY(AppCalls::LoadRoster());
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎            ");
        TestSession().CurrentGradeLabel = QStringLiteral("小５");
        TestSession().GradeFilterText = QStringLiteral("全学年");
        TestSchool().SchoolName = QStringLiteral("テスト小学校");
        TestSession().LoginTime = 10 * 3600 - 20 * 60;
        TestEnv().Windowed = true;
    }
    void cleanup()
    {
        DeleteAllScreens();
        TestEnv().Windowed = false;
        ResetTestScopes();
    }

    void opensOnTheAllTimePointsRanking()
    {
        AppCalls::WriteScoreRecords({Record(1, 1, 30, 1), Record(2, 1, 60, 1), Record(2, 1, 60), Record(1, 2, 45)});
        Open();
        QCOMPARE(Text("Label5"), QStringLiteral("獲得ポイント（今まで順位）"));
        QCOMPARE(Text("Label11"), QStringLiteral("ゾメ２"));
        QCOMPARE(Text("Label12"), QStringLiteral("小５ 山田太郎"));
        QCOMPARE(Text("Label13"), QStringLiteral("テスト小学校:1"));
        QCOMPARE(Text("Label17"), QStringLiteral("起動後20分"));
        QCOMPARE(Text("Label18"), QStringLiteral("本日総回数＝1回"));
        QCOMPARE(Text("Label14_1"), QStringLiteral("-----"));
        QCOMPARE(Text("Label15_1"), QStringLiteral("1回/11点"));
        QCOMPARE(Text("Label14_2"), QStringLiteral("1回/7点"));
        QCOMPARE(Text("Label8_1"), QStringLiteral("最近7日=1回 / 11点"));
        QCOMPARE(Text("Label7_2"), QStringLiteral("目標=60秒 --------"));
        QCOMPARE(Text("Label7_3"), QStringLiteral("目標=60秒 5回/100点(×1)"));
        QCOMPARE(Text("Label9_1"), QStringLiteral("今日"));
        QCOMPARE(Text("Label10_1"), QStringLiteral("今まで"));
        QVERIFY(Option("Option2_1")->isChecked());
        QVERIFY(Option("Option1_1")->isChecked());
        QCOMPARE(Option("Option1_1")->text(), QStringLiteral("累計順"));
        QCOMPARE(Option("Option1_2")->text(), QStringLiteral("本日順"));
        QCOMPARE(Option("Option1_3")->text(), QStringLiteral("オール表示"));
        // Every listed pupil, the leader first: 11 points, 10, none; pupil 1 carries the marks.
        const QStringList level1 = Rows(1);
        QCOMPARE(level1.size(), 3);
        QVERIFY2(level1[0].contains(QStringLiteral("●山田")), qPrintable(level1.join('|')));
        QVERIFY2(level1[1].contains(QStringLiteral("佐藤")), qPrintable(level1.join('|')));
        QVERIFY2(level1[2].contains(QStringLiteral("鈴木")), qPrintable(level1.join('|')));
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(Button(QStringLiteral("Command4_%1").arg(i))->isEnabled());
            QCOMPARE(Button(QStringLiteral("Command4_%1").arg(i))->text(), QStringLiteral("ｽﾀｰﾄ(&%1)").arg(i));
            QVERIFY(Menu->findChild<QListView*>(QStringLiteral("List5_%1").arg(i))->isVisible());
        }
        QVERIFY(!Menu->findChild<QWidget*>("Picture2")->isVisible());
        QVERIFY(Button("Command1")->isEnabled());
        QVERIFY(!Button("Command17")->isVisible());
        QCOMPARE(QFontInfo(Menu->findChild<QListView*>("List5_1")->font()).family(), QStringLiteral("IPAGothic"));
    }

    void noAttemptAtAll()
    {
        Open();
        QCOMPARE(Text("Label18"), QStringLiteral("本日総回数＝0回"));
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(Text(QStringLiteral("Label14_%1").arg(i)), QStringLiteral("-----"));
            QCOMPARE(Text(QStringLiteral("Label15_%1").arg(i)), QStringLiteral("------"));
            QCOMPARE(Text(QStringLiteral("Label8_%1").arg(i)), QStringLiteral("最近7日=0回 / 0点"));
        }
    }

    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("level"); // 0: no level starts
        QTest::addColumn<bool>("back");
        QTest::newRow("2 starts level 2") << "2" << 2 << false;
        QTest::newRow("1 starts level 1") << "1" << 1 << false;
        QTest::newRow("4 is beyond the levels") << "4" << 0 << false;
        QTest::newRow("a is level 10") << "a" << 0 << false;
        QTest::newRow("0 goes back") << "0" << 0 << true;
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(int, level);
        QFETCH(bool, back);
        Open();
        QSignalSpy started(Menu.data(), &LevelMenu::LevelChosen);
        QSignalSpy backed(Menu.data(), &LevelMenu::BackChosen);
        QTest::keyClicks(Menu.data(), key);
        QCOMPARE(started.size(), level ? 1 : 0);
        if (level) {
            QCOMPARE(started[0][0].toInt(), level);
            QVERIFY(Menu->findChild<QWidget*>("Picture2")->isVisible());
            // Once a level is starting the menu takes no more keys.
            QTest::keyClicks(Menu.data(), key);
            QCOMPARE(started.size(), 1);
        }
        QCOMPARE(backed.size(), back ? 1 : 0);
    }

    // The name label starts a level like its button, without the wait panel; a barred level
    // starts from neither.
    void barredLevelDoesNotStart()
    {
        AppCalls::WriteScoreRecords({Record(1, 1, 300), Record(1, 1, 300), Record(1, 1, 300, 1)});
        Open();
        auto* mark = Menu->findChild<QLineEdit*>("Text1_1");
        QVERIFY(mark->isVisible());
        QCOMPARE(mark->text(), QStringLiteral("やりすぎ禁止"));
        QVERIFY(!Button("Command4_1")->isEnabled());
        QSignalSpy started(Menu.data(), &LevelMenu::LevelChosen);
        QTest::keyClick(Menu.data(), '1');
        QTest::mouseClick(Menu->findChild<QLabel*>("Label3_1"), Qt::LeftButton);
        QCOMPARE(started.size(), 0);
        QTest::mouseClick(Menu->findChild<QLabel*>("Label3_2"), Qt::LeftButton);
        QCOMPARE(started.size(), 1);
        QVERIFY(!Menu->findChild<QWidget*>("Picture2")->isVisible());
    }

    void viewsThroughTheOptions()
    {
        // Pupil 2's attempt was last Sunday: inside thirty days, outside this week.
        AppCalls::WriteScoreRecords({Record(2, 1, 50, 4), Record(1, 1, 40), Record(3, 1, 99999)});
        Open();
        QTest::mouseClick(Option("Option2_0"), Qt::LeftButton); // ﾀｲﾑ表示 with the first order: best times
        QTRY_VERIFY(Button("Command1")->isEnabled());
        QCOMPARE(Text("Label5"), QStringLiteral("ベスト成績"));
        QCOMPARE(Option("Option1_1")->text(), QStringLiteral("BEST表示"));
        QCOMPARE(Option("Option1_3")->text(), QStringLiteral("オール表示"));
        QVERIFY2(Rows(1).value(0).contains(QStringLiteral("40")), qPrintable(Rows(1).join('|')));

        // The list wait panel's bar runs from 0 over the records each list is built from.
        auto* progress = Menu->findChild<QProgressBar*>("ProgressBar2");
        QSignalSpy bar(progress, &QProgressBar::valueChanged);
        const auto ranFromZero = [&bar, progress] {
            const bool ran = !bar.isEmpty() && bar.first().at(0).toInt() == 0 && progress->value() == 3
                && progress->maximum() == 4; // (3 records + 1) × 1.1
            bar.clear();
            return ran;
        };
        QTest::mouseClick(Option("Option1_2"), Qt::LeftButton); // 本日のみ
        QVERIFY(ranFromZero());
        QCOMPARE(Text("Label5"), QStringLiteral("本日の成績"));
        QCOMPARE(Rows(1).size(), 2);
        QVERIFY(Rows(1)[1].startsWith(QStringLiteral("　　× ")));

        QTest::mouseClick(Option("Option1_3"), Qt::LeftButton); // a period: thirty days at first
        QCOMPARE(Menu->Presenter().Period(), ListPeriod::Month);
        QCOMPARE(Menu->Presenter().PeriodDays(), 30);
        QCOMPARE(Rows(1).size(), 3);
        QVERIFY(ranFromZero());
        auto* period = Menu->findChild<QComboBox*>("Combo2");
        QVERIFY(period->isVisible());
        period->setCurrentIndex(0); // this week: Monday to today, Thursday
        emit period->activated(0);
        QCOMPARE(Menu->Presenter().Period(), ListPeriod::ThisWeek);
        QCOMPARE(Menu->Presenter().PeriodDays(), 4);
        QCOMPARE(Rows(1).size(), 2);

        QTest::mouseClick(Option("Option2_2"), Qt::LeftButton); // the pupil's own times
        QCOMPARE(Text("Label5"), QStringLiteral("個人別ﾀｲﾑ"));
        QVERIFY(ranFromZero());
        QCOMPARE(Rows(1), QStringList{QStringLiteral("2026/12/10 9:00:00  40秒")});
        QVERIFY(Button("Command17")->isVisible());

        // Another grade gives way to the points display; the option buttons stay as they are, and
        // the name screen's grade stays the program's.
        const QString programGrade = TestSession().GradeFilterText;
        auto* grade = Menu->findChild<QComboBox*>("Combo1");
        grade->setCurrentText(QStringLiteral("小６"));
        emit grade->textActivated(QStringLiteral("小６"));
        QCOMPARE(Menu->Presenter().Display(), ResultLists::PointsDisplay);
        QVERIFY(Option("Option2_2")->isChecked());
        QVERIFY(!Option("Option2_1")->isChecked());
        QVERIFY(!Button("Command17")->isVisible());
        QCOMPARE(Rows(1).size(), 1); // only the sixth-grader
        QCOMPARE(TestSession().GradeFilterText, programGrade);
    }
    void gradeChosenGivesTheFocusToAStart_data()
    {
        QTest::addColumn<int>("levelOneAttempts");
        QTest::addColumn<int>("focused");
        QTest::newRow("level 1") << 0 << 1;
        QTest::newRow("level 1 barred: level 2") << 3 << 2;
    }
    // After a grade is chosen the selector does not keep the text cursor: the first start button
    // that starts has the focus, and the pupil's space starts that level.
    void gradeChosenGivesTheFocusToAStart()
    {
        QFETCH(int, levelOneAttempts);
        QFETCH(int, focused);
        QList<ScoreRecord> records;
        for (int k = 0; k < levelOneAttempts; ++k)
            records.push_back(Record(1, 1, 50, 1, 0.4 + k * 0.01));
        AppCalls::WriteScoreRecords(records);
        Open();
        Menu->activateWindow();
        QTRY_VERIFY(Menu->isActiveWindow());
        auto* grade = Menu->findChild<QComboBox*>("Combo1");
        grade->setFocus();
        QTRY_VERIFY(grade->hasFocus());
        grade->setCurrentText(QStringLiteral("小５"));
        emit grade->textActivated(QStringLiteral("小５"));
        QPushButton* start = Button(QStringLiteral("Command4_%1").arg(focused));
        QTRY_VERIFY(start->hasFocus());
        QSignalSpy started(Menu.data(), &LevelMenu::LevelChosen);
        QTest::keyClick(start, Qt::Key_Space);
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first().at(0).toInt(), focused);
    }

    // The teacher panel: only for the pupil "先生"; no level starts while it is open.
    void teacherPanel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("teacher");
        QTest::newRow("先生") << "先生" << true;
        QTest::newRow("先生 with blanks") << " 先生    " << true;
        QTest::newRow("a pupil") << "山田太郎" << false;
        QTest::newRow("a name containing 先生") << "山田先生" << false;
    }
    void teacherPanel()
    {
        QFETCH(QString, name);
        QFETCH(bool, teacher);
        TestSession().CurrentPupilName = name;
        AppCalls::WriteScoreRecords({});
        Open();
        QCOMPARE(Button("Command8")->isVisible(), teacher);
        if (!teacher)
            return;
        QCOMPARE(Button("Command8")->text(), QStringLiteral("データ処理"));
        auto* panel = Menu->findChild<QWidget*>(QStringLiteral("Picture7"));
        QVERIFY(!panel->isVisible());
        Button("Command8")->click();
        QVERIFY(panel->isVisible());
        QSignalSpy started(Menu.data(), &LevelMenu::LevelChosen);
        QTest::keyClick(Menu, Qt::Key_1);
        Button("Command4_1")->click();
        QCOMPARE(started.count(), 0);

        QSignalSpy browser(Menu.data(), &LevelMenu::RecordBrowserChosen);
        QSignalSpy editor(Menu.data(), &LevelMenu::CriteriaEditorChosen);
        QCOMPARE(Button("Command10_0")->text(), QStringLiteral("データ変更"));
        QCOMPARE(Button("Command10_1")->text(), QStringLiteral("合格タイムデータ変更"));
        Button("Command10_0")->click();
        Button("Command10_1")->click();
        QCOMPARE(browser.count(), 1);
        QCOMPARE(editor.count(), 1);
        Button("Command12")->click();
        QVERIFY(!panel->isVisible());
        QTest::keyClick(Menu, Qt::Key_1);
        QCOMPARE(started.count(), 1);
    }

    // "CSV" saves the result export where the teacher chooses in the save dialog.
    void resultsForASpreadsheet()
    {
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("先生");
        AppCalls::WriteScoreRecords({Record(1, 1, 30, 1), Record(2, 1, 60)});
        Open();
        Button("Command8")->click();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("成績.csv"));
        MessageWatch boxes(file);
        const QStringList& messages = boxes.Texts;
        Button("CsvButton")->click();
        QTRY_COMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QDir::toNativeSeparators(file)), qPrintable(messages[0]));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFpupil,name,grade,level,"));
        QVERIFY(bytes.contains(QStringLiteral("1,山田太郎,").toUtf8()));
    }
};

QTEST_MAIN(TestLevelMenu)
#include "tst_LevelMenu.moc"
