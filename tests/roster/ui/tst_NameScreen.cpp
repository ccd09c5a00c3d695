#include "roster/NameList.h"
#include "roster/RosterFile.h"
#include "roster/ui/NameScreen.h"
#include "support/TestScopes.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/ScriptedRandom.h"
#include "support/TestInstallation.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
QString Fill(int n) { return QString(n, QChar(0x3000)); }
const QString F = QStringLiteral("　");

// School year 2026: 2015 → 小5, 2012 → 中2, 2013 → 中1, 2021 → 幼2; pupil 4 is hidden.
const QString Roster = QStringLiteral("1,2015,0,0,山田太郎,0,,\n"
                                      "2,2012,0,0,佐藤花子,0,,\n"
                                      "3,2013,0,0,鈴木一郎,0,,\n"
                                      "4,2011,0,0,高橋,1,,\n"
                                      "5,2021,0,0,小林,0,,\n");
} // namespace

class TestNameScreen : public QObject {
    Q_OBJECT
    ManualClock Clock{QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0, 600))};
    ScriptedRandom Random;
    std::unique_ptr<TestInstallation> Inst;
    QPointer<NameScreen> Screen;
    QWidget LevelMenuStandIn;
    std::unique_ptr<MessageWatch> Watch;
    int LevelCalls = 0;
    int EndCalls = 0;
    bool LevelMenuOpens = true;

    NameScreen* Open()
    {
        Screen = new NameScreen(TestSchool(), TestSession(), TestEnv());
        // The screen flow's part: the level menu (here a stand-in) takes over from the name screen.
        connect(Screen, &NameScreen::PupilSignedIn, this, [this] {
            ++LevelCalls;
            if (LevelMenuOpens) {
                LevelMenuStandIn.show();
                Screen->close();
            }
        });
        connect(Screen, &NameScreen::LeaveRequested, this, [this] { ++EndCalls; });
        return Screen;
    }
    const QStringList& Messages() const { return Watch->Texts; }
    QListWidget* List() const { return Screen->findChild<QListWidget*>("List1"); }
    QLabel* Label(const char* name) const { return Screen->findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return Screen->findChild<QPushButton*>(name); }
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < List()->count(); ++i)
            rows << List()->item(i)->text();
        return rows;
    }
    void ClickRow(int row)
    {
        QListWidget* list = List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    // A pupil's double click: press, release, double click, release.
    void DoubleClickRow(int row)
    {
        QListWidget* list = List();
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        if (Screen)
            QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, at);
    }
    int RowOf(int pupil) const
    {
        for (int r = 0; r < Screen->PupilRowTexts.size(); ++r)
            if (NameList::PupilNumber(Screen->PupilRowTexts[r]) == pupil)
                return r + 1;
        return -1;
    }
    void WriteMenu(const QString& path, const QString& argsFile)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '%1'\n").arg(argsFile).toUtf8());
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        Random = ScriptedRandom();
        Inst = std::make_unique<TestInstallation>();
        Inst->ApplyTo(TestSchool());
        Inst->WriteRoster(Roster);
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().SeasonColour = QColor(0, 192, 192);
        ResultTables& t = TestSchool().Results;
        t.TodayCount(1, 1) = 12;
        t.AttemptCount(1, 1) = 300;
        t.AttemptCount(2, 1) = 45;
        t.TodayPoints(1, 1) = 40;
        t.TodayPoints(3, 1) = 2;
        t.TotalPoints(2, 1) = 5678;
        t.TotalPoints(1, 2) = 7;
        Watch = std::make_unique<MessageWatch>();
        LevelCalls = 0;
        EndCalls = 0;
        LevelMenuOpens = true;
    }
    void cleanup()
    {
        delete Screen.data();
        LevelMenuStandIn.hide();
        Watch.reset();
    }

    void opensOnPointsForEveryGrade()
    {
        Open();
        QCOMPARE(Rows(), (QStringList{
                             NameList::DashRow,
                             "幼2 小林" + Fill(4) + "  " + F + "/       ",
                             "小5 山田太郎" + Fill(2) + "  42/   5678",
                             "中1 鈴木一郎" + Fill(2) + "  " + F + "/       ",
                             "中2 佐藤花子" + Fill(2) + "  " + F + "/      7",
                         }));
        QCOMPARE(List()->currentRow(), 0);
        QCOMPARE(Screen->NameListMode, 1);
        QVERIFY(Screen->findChild<QRadioButton*>("Option1_1")->isChecked());
        QCOMPARE(Screen->findChild<QRadioButton*>("Option1_1")->text(), QStringLiteral("ポイント（今日／今まで）"));
        auto* combo = Screen->findChild<QComboBox*>("Combo1");
        QVERIFY(combo->isEditable());
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, RosterFile::SelectorTexts());
        QCOMPARE(combo->currentText(), QStringLiteral("全学年"));
        QCOMPARE(TestSession().GradeFilterText, QStringLiteral("全学年"));
        QCOMPARE(Label("Label1")->text(), QStringLiteral("名前を選びなさい"));
        QCOMPARE(Label("Label4")->text(), QStringLiteral("ゾメ２"));
        QVERIFY(Label("Picture5")->isHidden());
        QVERIFY(Label("Picture8")->isHidden());
        QVERIFY(Screen->isVisible());
        QCOMPARE(Screen->palette().color(QPalette::Window), QColor(0, 192, 192));
        QCOMPARE(QFontInfo(List()->font()).family(), QStringLiteral("IPAGothic"));
        QCOMPARE(Random.SeedCount, 1);
        QCOMPARE(Random.LastSeed, 36000600u);
        QVERIFY(Messages().isEmpty());
    }

    void developmentLayoutShowsItsMark()
    {
        TestSchool().DevelopmentLayout = true;
        Open();
        QVERIFY(!Label("Picture8")->isHidden());
        QCOMPARE(Label("Picture8")->text(), QStringLiteral("開発中"));
    }

    void totalsChoice_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("row"); // pupil 1
        QTest::newRow("回数") << 0 << "小5 山田太郎" + Fill(2) + " 12回/  345回";
        QTest::newRow("ポイント") << 1 << "小5 山田太郎" + Fill(2) + "  42/   5678";
        QTest::newRow("本日") << 2 << "小5 山田太郎" + Fill(2) + "  42/ 12回";
        QTest::newRow("今まで") << 3 << "小5 山田太郎" + Fill(2) + "   5678/  345回";
    }
    void totalsChoice()
    {
        QFETCH(int, mode);
        QFETCH(QString, row);
        Open();
        if (mode == 1)
            QTest::mouseClick(Screen->findChild<QRadioButton*>("Option1_0"), Qt::LeftButton);
        QTest::mouseClick(Screen->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(mode)), Qt::LeftButton);
        QCOMPARE(Screen->NameListMode, mode);
        QCOMPARE(List()->item(RowOf(1))->text(), row);
        // Kindergarten rows are wider except with points of today and all time.
        QCOMPARE(List()->item(RowOf(5))->text().count(QChar(0x3000)) >= (mode == 1 ? 4 : 6), true);
    }

    void gradeSelectorNarrowsTheList()
    {
        Open();
        auto* combo = Screen->findChild<QComboBox*>("Combo1");
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        QTRY_VERIFY(view->isVisible());
        const QModelIndex index = view->model()->index(1, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        QCOMPARE(TestSession().GradeFilterText, QStringLiteral("中学生全体"));
        QCOMPARE(Rows(), (QStringList{NameList::DashRow, "中1 鈴木一郎" + Fill(2) + "  " + F + "/       ",
                                      "中2 佐藤花子" + Fill(2) + "  " + F + "/      7"}));
        QCOMPARE(Screen->PupilRowTexts.size(), 2);
        QCOMPARE(NameList::PupilNumber(Screen->PupilRowTexts[1]), 2);

        // Typed text outside the vocabulary lists nobody.
        combo->lineEdit()->setText(QStringLiteral("高"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCOMPARE(TestSession().GradeFilterText, QStringLiteral("高"));
        QCOMPARE(Rows(), QStringList{NameList::DashRow});
    }

    void confirms_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("pupil");
        QTest::newRow("click, then 1") << "1" << 1;
        QTest::newRow("click, then Enter on the list") << "enter" << 2;
        QTest::newRow("click, then space on the list") << "space" << 3;
        QTest::newRow("click, then O.K.") << "ok" << 5;
        QTest::newRow("double-click") << "double" << 1;
    }
    void confirms()
    {
        QFETCH(QString, how);
        QFETCH(int, pupil);
        Open();
        const int row = RowOf(pupil);
        QVERIFY(row > 0);
        QListWidget* list = List();
        if (how == "double") {
            DoubleClickRow(row);
        } else {
            ClickRow(row);
            QCOMPARE(Label("Label1")->text(), RosterFile::TrimBlanks(list->item(row)->text().left(10)));
            QCOMPARE(LevelCalls, 0);
            if (how == "1")
                QTest::keyClick(list, '1');
            else if (how == "enter")
                QTest::keyClick(list, Qt::Key_Return);
            else if (how == "space")
                QTest::keyClick(list, Qt::Key_Space);
            else
                QTest::mouseClick(Button("Command14"), Qt::LeftButton);
        }
        QCOMPARE(LevelCalls, 1);
        QCOMPARE(TestSession().CurrentPupil, qint16(pupil));
        QCOMPARE(TestSession().CurrentPupilName, TestSchool().Roster.PupilName[pupil]);
        QCOMPARE(TestSession().CurrentPupilName.size(), 20);
        QCOMPARE(TestSession().CurrentGradeLabel, TestSchool().Roster.PupilGradeLabel[pupil]);
        QCOMPARE(TestSession().LoginTime, 36001); // 10:00:00.6 rounded
        // The level menu took over: the name screen is gone.
        QTRY_VERIFY(Screen.isNull());
    }

    void doubleClickShowsNameUpToTotals()
    {
        LevelMenuOpens = false;
        Open();
        const int row = RowOf(1);
        DoubleClickRow(row);
        QCOMPARE(Label("Label1")->text(), "小5 山田太郎" + Fill(2) + "  42");
        QCOMPARE(TestSession().CurrentPupil, qint16(1));
        // Nothing opened: the screen stays usable.
        QVERIFY(!Screen.isNull());
        QVERIFY(!Button("Command14")->isHidden());
        QVERIFY(Label("Picture5")->isHidden());
    }

    void noPupilChosen_data()
    {
        QTest::addColumn<bool>("clickDashRow");
        QTest::addColumn<bool>("useKey");
        QTest::newRow("O.K. before any click") << false << false;
        QTest::newRow("dash row, then O.K.") << true << false;
        QTest::newRow("dash row, then 1") << true << true;
    }
    void noPupilChosen()
    {
        QFETCH(bool, clickDashRow);
        QFETCH(bool, useKey);
        Open();
        if (clickDashRow) {
            ClickRow(RowOf(1));
            ClickRow(0);
        }
        if (useKey)
            QTest::keyClick(List(), '1');
        else
            QTest::mouseClick(Button("Command14"), Qt::LeftButton);
        QCOMPARE(LevelCalls, 0);
        QCOMPARE(TestSession().CurrentPupil, qint16(0));
        QCOMPARE(TestSession().LoginTime, 0);
        QCOMPARE(Label("Label1")->text(), QStringLiteral("名前を選びなさい"));
        QVERIFY(!Button("Command14")->isHidden());
        QVERIFY(!Screen.isNull());
    }

    void leavesForProgramMenu_data()
    {
        QTest::addColumn<bool>("development");
        QTest::addColumn<QString>("arguments");
        QTest::newRow("installed") << false << "1\n001\n";
        QTest::newRow("development") << true << "0\n";
    }
    void leavesForProgramMenu()
    {
        QFETCH(bool, development);
        QFETCH(QString, arguments);
        const QString argsFile = Inst->Root + "args.txt";
        if (development) {
            // The development layout sits two folders below the menu's folder.
            TestSchool().DevelopmentLayout = true;
            TestSchool().ProgramFolder = Inst->Root + "KD0311/prog/";
            QDir().mkpath(TestSchool().ProgramFolder);
            WriteMenu(Inst->Root + QStringLiteral("起動/起動/プログラムメニュー.exe"), argsFile);
        } else {
            WriteMenu(Inst->Root + QStringLiteral("起動/プログラムメニューc.exe"), argsFile);
        }
        Open();
        QTest::keyClick(List(), '0');
        QCOMPARE(EndCalls, 1);
        QVERIFY2(Messages().isEmpty(), qPrintable(Messages().join('\n')));
        QTRY_VERIFY(QFileInfo(argsFile).size() > 0);
        QFile f(argsFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), arguments);
    }

    void missingProgramMenuStillEnds()
    {
        Open();
        QTest::mouseClick(Button("Command7"), Qt::LeftButton);
        QCOMPARE(EndCalls, 1);
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages()[0].contains(QStringLiteral("プログラムメニューc.exe")));
        QVERIFY(Messages()[0].contains(QStringLiteral("起動できませんでした")));
    }

    void missingRosterSaysSoOnce()
    {
        QFile::remove(Inst->DataRoot + QStringLiteral("新名簿.txt"));
        Open();
        QCOMPARE(Rows(), QStringList{NameList::DashRow});
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages()[0].contains(QStringLiteral("新名簿.txt")));
        QTest::mouseClick(Screen->findChild<QRadioButton*>("Option1_0"), Qt::LeftButton);
        QCOMPARE(Messages().size(), 1);
        QTest::mouseClick(Button("Command14"), Qt::LeftButton);
        QCOMPARE(LevelCalls, 0);
    }

    void skippedLinesReportedOncePerRun()
    {
        Inst->WriteRoster(Roster + QStringLiteral("abc,2015,0,0,X,0,,\n6,2015\n"));
        Open();
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages()[0].contains(QStringLiteral("6行目")));
        QVERIFY(Messages()[0].contains(QStringLiteral("7行目")));
        QCOMPARE(List()->count(), 5); // the readable pupils are all there
        QTest::mouseClick(Screen->findChild<QRadioButton*>("Option1_3"), Qt::LeftButton);
        delete Screen.data();
        Open();
        QCOMPARE(Messages().size(), 1);
    }

    // The title asks for the version dialog; the screen flow opens it.
    void titleAsksForTheVersion()
    {
        Open();
        QSignalSpy asked(Screen.data(), &NameScreen::VersionRequested);
        QTest::mouseClick(Label("Label4"), Qt::LeftButton);
        QCOMPARE(asked.count(), 1);
    }

    // Coming back to the front runs the activation again: the totals choice and the grade
    // selector start over and the list is rebuilt.
    void activationRunsAgainWhenTheScreenComesBack()
    {
        Open();
        QVERIFY(QTest::qWaitForWindowActive(Screen));
        QTest::mouseClick(Screen->findChild<QRadioButton*>("Option1_3"), Qt::LeftButton);
        QCOMPARE(Screen->NameListMode, 3);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.hide();
        Screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Screen));
        QTRY_COMPARE(Screen->NameListMode, 1);
        QVERIFY(Screen->findChild<QRadioButton*>("Option1_1")->isChecked());
        QCOMPARE(Label("Label1")->text(), QStringLiteral("名前を選びなさい"));
    }
};

QTEST_MAIN(TestNameScreen)
#include "tst_NameScreen.moc"
