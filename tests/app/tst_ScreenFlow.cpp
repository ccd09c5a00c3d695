#include "roster/ui/NameScreen.h"
#include "support/TestScopes.h"
#include "setup/Configuration.h"
#include "setup/StartupInfo.h"
#include "setup/ui/WaitScreen.h"
#include "setup/ui/SplashScreen.h"
#include "setup/ui/VersionDialog.h"
#include "menu/ui/LevelMenu.h"
#include "app/ScreenFlow.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "records/PendingAttempts.h"
#include "support/MessageWatch.h"
#include "support/ReadOnlyFile.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QTimer>
#include "support/Screens.h"
#include <QtTest>

class TestScreenFlow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ResetTestScopes();
        Random = ScriptedRandom();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Windowed = true;
        Fatals.clear();
        Flow = std::make_unique<ScreenFlow>(TestSchool(), TestSession(), TestEnv());
        connect(Flow.get(), &ScreenFlow::Stopped, this, [this](const QString& m) { Fatals << m; });
    }
    void cleanup()
    {
        DeleteAllScreens();
        Flow.reset();
        TestSchool().ProgramFolderOverride.clear();
        TestEnv().Windowed = false;
        ResetTestScopes();
    }

    void splashHandsOverToTheNameScreen_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QColor>("season");
        QTest::newRow("March") << QDateTime(QDate(2026, 3, 5), QTime(8, 0, 1, 500)) << QColor(192, 255, 192);
        QTest::newRow("July") << QDateTime(QDate(2026, 7, 1), QTime(13, 2, 3)) << QColor(0, 192, 192);
        QTest::newRow("December") << QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)) << QColor(192, 255, 192);
    }
    void splashHandsOverToTheNameScreen()
    {
        QFETCH(QDateTime, now);
        QFETCH(QColor, season);
        Clock.Set(now);
        TestInstallation inst;
        inst.WriteAll();
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;

        Flow->Start();
        QPointer<SplashScreen> splash = Visible<SplashScreen>().value(0);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->findChild<QLabel*>("Label1")->text(), QStringLiteral("Just a moment, please."));
        QCOMPARE(splash->findChild<QLabel*>("Label2")->text(), StartupInfo::EraDateText(now.date()));
        QCOMPARE(TestSchool().SeasonColour, season);
        QVERIFY(!TestSchool().DevelopmentLayout);
        QCOMPARE(Random.SeedCount, 1);
        QCOMPARE(Random.LastSeed, quint32(now.time().msecsSinceStartOfDay()));
        // The configuration is read only when the timer fires.
        QVERIFY(Visible<NameScreen>().isEmpty());
        QCOMPARE(TestSchool().DataFolder, QString());

        QTRY_COMPARE(Visible<NameScreen>().size(), 1);
        QTRY_VERIFY(splash.isNull());
        QVERIFY(Fatals.isEmpty());
        QCOMPARE(TestSchool().DataFolder, inst.DataFolder);
        QCOMPARE(TestSchool().ProgramTitle, QStringLiteral("ゾメ２"));
    }

    void configurationErrorReachesFatal()
    {
        TestInstallation inst;
        inst.WriteAll();
        QVERIFY(QFile::remove(inst.DataRoot + QStringLiteral("共通データ.txt")));
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;

        Flow->Start();
        QPointer<SplashScreen> splash = Visible<SplashScreen>().value(0);
        QTRY_COMPARE(Fatals.size(), 1);
        QVERIFY2(Fatals[0].contains(inst.DataRoot + QStringLiteral("共通データ.txt")), qPrintable(Fatals[0]));
        QVERIFY(Visible<NameScreen>().isEmpty());
    }

    // A PC that cannot record attempts safely is told on the name screen, in one box titled "注意"
    // that names the file or the mount and the reason, once a run: not again when the name screen
    // comes back.
    void shareWarningOnce_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QStringList>("said"); // empty: no box at all
        QTest::newRow("healthy") << "none" << QStringList{};
        QTest::newRow("mount table unreadable") << "unreadable" << QStringList{};
        QTest::newRow("locks stay on this PC") << "nobrl"
            << QStringList{QStringLiteral("ほかのパソコンとのロックが効きません"), QStringLiteral("nobrl"),
                           QStringLiteral("互いの記録を壊す")};
        QTest::newRow("no write access") << "readonly"
            << QStringList{QStringLiteral("成績ファイルに書き込めません"), QStringLiteral("成績累積データ.dat"),
                           QStringLiteral("記録されません")};
    }
    void shareWarningOnce()
    {
        QFETCH(QString, problem);
        QFETCH(QStringList, said);
        TestInstallation inst;
        inst.WriteAll();
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;
        QFile score(inst.DataFolder + QStringLiteral("成績累積データ.dat"));
        QVERIFY(score.open(QIODevice::WriteOnly));
        score.close();
        const QString root = QFileInfo(inst.DataRoot).canonicalFilePath();
        QTemporaryFile mounts;
        QVERIFY(mounts.open());
        mounts.write("1 0 254:0 / / rw,relatime - ext4 /dev/vda rw\n");
        if (problem == QLatin1String("nobrl"))
            mounts.write("2 1 0:45 / " + QFile::encodeName(root) + " rw - cifs //server/zome2 rw,vers=3.0,nobrl\n");
        mounts.flush();
        TestSchool().MountTablePath = problem == QLatin1String("unreadable") ? inst.Root + "no-mountinfo" : mounts.fileName();
        std::unique_ptr<ReadOnlyFile> readOnly;
        if (problem == QLatin1String("readonly")) {
            readOnly = std::make_unique<ReadOnlyFile>(score.fileName());
            if (!readOnly->Error.isEmpty())
                QSKIP(qPrintable(readOnly->Error));
        }

        QStringList titles;
        QStringList texts;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                titles << box->windowTitle();
                texts << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        poll.start(10);
        Flow->OpenNameSelection();
        QPointer<NameScreen> screen = Visible<NameScreen>().value(0);
        QVERIFY(screen);
        if (said.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(texts, QStringList{});
        } else {
            QTRY_COMPARE(texts.size(), 1);
            QCOMPARE(titles, QStringList{QStringLiteral("注意")});
            for (const QString& part : said)
                QVERIFY2(texts[0].contains(part), qPrintable(texts[0]));
        }
        // Back on the name screen, as after the level menu's "戻る(0)".
        Flow->ShowNameSelection();
        screen->close();
        QTest::qWait(200);
        QCOMPARE(texts.size(), said.isEmpty() ? 0 : 1);
        QVERIFY(Fatals.isEmpty());
    }

    // Attempts waiting on this PC in a queue that is damaged: set aside and told on the name
    // screen at the start, not dropped.
    void damagedQueueToldAtTheStart()
    {
        TestInstallation inst;
        inst.WriteAll();
        TestSchool().ProgramFolderOverride = inst.ProgramFolder;
        TestSchool().QueueFolder = inst.Root + "queue";
        const PendingAttempts queue(TestSchool().QueueFolder, inst.DataFolder);
        QVERIFY(QDir().mkpath(TestSchool().QueueFolder));
        QFile f(queue.Path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not whole records");
        f.close();
        MessageWatch boxes;
        Flow->OpenNameSelection();
        QTRY_COMPARE(boxes.Texts.size(), 1);
        QVERIFY2(boxes.Texts[0].contains(QStringLiteral("壊れていた")), qPrintable(boxes.Texts[0]));
        QVERIFY(!QFile::exists(queue.Path()));
        QCOMPARE(QDir(TestSchool().QueueFolder).entryList(QDir::Files).size(), 1);
        QVERIFY(Fatals.isEmpty());
    }

    // The menu's grade selector is the menu's own: the next menu (after an attempt, say) opens on
    // the name screen's choice again.
    void nextMenuOpensOnTheNameScreensGrade()
    {
        TestInstallation inst;
        inst.WriteAll();
        inst.ApplyTo(TestSchool());
        TestSession().CurrentPupilName = QStringLiteral("山田太郎");
        TestSession().GradeFilterText = QStringLiteral("小６");
        Flow->BuildLevelCatalogue();
        QPointer<LevelMenu> menu = Visible<LevelMenu>().value(0);
        QTRY_VERIFY(menu && menu->IsReady());
        auto* grade = menu->findChild<QComboBox*>("Combo1");
        QCOMPARE(grade->currentText(), QStringLiteral("小６"));
        grade->setCurrentText(QStringLiteral("中１"));
        emit grade->textActivated(QStringLiteral("中１"));
        Flow->ShowLevelMenu();
        menu->close();
        QPointer<LevelMenu> next = Visible<LevelMenu>().value(0);
        QTRY_VERIFY(next && next->IsReady());
        QCOMPARE(next->findChild<QComboBox*>("Combo1")->currentText(), QStringLiteral("小６"));
    }

    void levelMenuAndBack()
    {
        TestInstallation inst;
        inst.WriteAll();
        inst.ApplyTo(TestSchool());
        TestSession().CurrentPupilName = QStringLiteral(" 山田太郎 ");
        Flow->ShowNameSelection();
        QCOMPARE(Visible<NameScreen>().size(), 1);

        Flow->BuildLevelCatalogue();
        QCOMPARE(TestSchool().Catalogue.LevelCount, qint16(3));
        const auto menus = Visible<LevelMenu>();
        QCOMPARE(menus.size(), 1);
        QPointer<LevelMenu> menu = menus[0];
        QTRY_VERIFY(Visible<NameScreen>().isEmpty());   // the menu replaces the name screen
        QTRY_VERIFY(menu->IsReady());
        QCOMPARE(menu->findChild<QLabel*>("Label12")->text(), QStringLiteral(" 山田太郎"));
        QStringList levels;
        for (int i = 1; i <= 3; ++i)
            levels << menu->findChild<QLabel*>(QStringLiteral("Label3_%1").arg(i))->text();
        QCOMPARE(levels, (QStringList{QStringLiteral("レベル１"), QStringLiteral("レベル２"), QStringLiteral("レベル３")}));
        QCOMPARE(menu->findChild<QPushButton*>("Command1")->text(), QStringLiteral("戻る(0)"));

        QTest::keyClick(menu.data(), Qt::Key_0);
        QTRY_VERIFY(menu.isNull());
        QCOMPARE(Visible<NameScreen>().size(), 1);

        Flow->ShowLevelMenu();
        menu = Visible<LevelMenu>().value(0);
        QVERIFY(menu);
        QTRY_VERIFY(menu->IsReady());
        QTest::mouseClick(menu->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QTRY_VERIFY(menu.isNull());
        QCOMPARE(Visible<NameScreen>().size(), 1);
    }

    // The teacher panel's screens replace the menu; leaving any of them brings a new menu.
    void teacherScreensAndBack_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("backButton");
        QTest::newRow("record browser") << "Command10_0" << "FrmData" << "Command4";
        QTest::newRow("criteria editor") << "Command10_1" << "FrmTimeData" << "Command4";
        QTest::newRow("class overview") << "ClassOverviewButton" << "ClassOverview" << "BackButton";
    }
    void teacherScreensAndBack()
    {
        QFETCH(QString, button);
        QFETCH(QString, screen);
        QFETCH(QString, backButton);
        TestInstallation inst;
        inst.WriteAll();
        inst.ApplyTo(TestSchool());
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("先生");
        Flow->BuildLevelCatalogue();
        QPointer<LevelMenu> menu = Visible<LevelMenu>().value(0);
        QVERIFY(menu);
        QTRY_VERIFY(menu->IsReady());
        menu->findChild<QPushButton*>("Command8")->click();
        menu->findChild<QPushButton*>(button)->click();
        QTRY_VERIFY(menu.isNull());
        QWidget* opened = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == screen)
                opened = w;
        QVERIFY(opened);
        QPointer<QWidget> teacherScreen = opened;
        QPushButton* back = opened->findChild<QPushButton*>(backButton);
        QVERIFY(back);
        QTRY_VERIFY(back->isEnabled() && back->isVisible());
        back->click();
        QTRY_VERIFY(teacherScreen.isNull());
        menu = Visible<LevelMenu>().value(0);
        QVERIFY(menu);
        QTRY_VERIFY(menu->IsReady());
        QVERIFY(Fatals.isEmpty());
    }

    void oneWaitScreen()
    {
        Flow->ShowWaitScreen();
        Flow->ShowWaitScreen();
        const auto screens = Visible<WaitScreen>();
        QCOMPARE(screens.size(), 1);
        QCOMPARE(screens[0]->findChild<QLabel*>("Label1")->text(), QStringLiteral("Just a moment, please."));
        QPointer<WaitScreen> screen = screens[0];
        Flow->CloseWaitScreen();
        QTRY_VERIFY(screen.isNull());
        Flow->CloseWaitScreen();
        Flow->ShowWaitScreen();
        QCOMPARE(Visible<WaitScreen>().size(), 1);
    }

    // The title of the name screen opens the version dialog over its centre; when the dialog
    // closes, the name screen runs its activation again.
    void versionDialogFromTheNameScreen()
    {
        TestInstallation inst;
        inst.WriteAll();
        inst.ApplyTo(TestSchool());
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        Flow->ShowNameSelection();
        QPointer<NameScreen> screen = Visible<NameScreen>().value(0);
        QVERIFY(screen);
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        QTest::mouseClick(screen->findChild<QRadioButton*>("Option1_3"), Qt::LeftButton);
        QCOMPARE(screen->NameListMode, 3);
        bool seen = false;
        QPoint offCentre;
        // The dialog runs its own event loop: look for it from a timer until it is up.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<VersionDialog*>(w); d && d->isVisible() && !seen) {
                    seen = QApplication::activeModalWidget() == d;
                    offCentre = d->frameGeometry().center() - screen->frameGeometry().center();
                    poll.stop();
                    d->reject();
                }
        });
        poll.start(10);
        QTest::mouseClick(screen->findChild<QLabel*>("Label4"), Qt::LeftButton);
        QVERIFY(seen);
        QVERIFY2(std::abs(offCentre.x()) <= 2 && std::abs(offCentre.y()) <= 2, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        QTRY_COMPARE(screen->NameListMode, 1);
    }

    // Without a hook the message is shown, every screen closes and the event loop ends with status 1.
    void fatalEndsTheEventLoop()
    {
        connect(Flow.get(), &ScreenFlow::Stopped, &ScreenFlow::ShowMessageAndExit);
        Flow->ShowWaitScreen();
        auto* other = new QWidget;
        other->setAttribute(Qt::WA_DeleteOnClose);
        other->show();
        QString shown;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        poll.start(20);
        QEventLoop loop;
        QTimer::singleShot(0, this, [this] { Flow->Fatal(QStringLiteral("共通データ.txtが見つかりません。")); });
        const int status = loop.exec();
        QGuiApplication::setQuitOnLastWindowClosed(true);
        QCOMPARE(status, 1);
        QCOMPARE(shown, QStringLiteral("共通データ.txtが見つかりません。"));
        QVERIFY(Visible<WaitScreen>().isEmpty());
        QVERIFY(Visible<QWidget>().isEmpty());
    }

    // The export needs no display: it must run where a window could not even be opened.
    void exportRunsWithoutADisplay()
    {
        const QString bin = qEnvironmentVariable("ZOME2_BIN_DIR");
        if (bin.isEmpty())
            QSKIP("ZOME2_BIN_DIR not set");
        TestInstallation inst;
        inst.WriteAll();
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(env);
        process.start(bin + "/zome2", {"--program-folder", inst.ProgramFolder, "--export-results", inst.Root + "out.txt"});
        QVERIFY(process.waitForFinished(30000));
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(!errors.contains("display", Qt::CaseInsensitive) && !errors.contains("qt.qpa"), qPrintable(errors));
    }

    // The command line needs no display: a wrong option or a missing value is refused with a
    // message and status 2; --help and --version answer and end.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // standard output for 0, standard error otherwise
        QTest::newRow("unknown option") << QStringList{"--no-such-option"} << 2 << "no-such-option";
        QTest::newRow("missing value") << QStringList{"--program-folder"} << 2 << "program-folder";
        QTest::newRow("extra argument") << QStringList{"extra"} << 2 << "extra";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--export-results";
        QTest::newRow("help, installing") << QStringList{"--help"} << 0 << "--set-data-root <DIR>";
        QTest::newRow("new school without its code")
            << QStringList{"--new-school", "/tmp/school", "--school-name", "さくら小学校"} << 2 << "--school-code";
        QTest::newRow("school name alone") << QStringList{"--school-name", "さくら小学校"} << 2 << "--new-school と一緒";
        QTest::newRow("two commands at once")
            << QStringList{"--new-school", "/tmp/school", "--school-name", "さくら小学校", "--school-code", "12345",
                           "--set-data-root", "/tmp/school"} << 2 << "一度に一つだけ";
        QTest::newRow("help, checking") << QStringList{"--help"} << 0 << "--check-data-root";
        QTest::newRow("group without a new school") << QStringList{"--group", "users"} << 2 << "--new-school と一緒";
        QTest::newRow("check with another command")
            << QStringList{"--check-data-root", "--export-results", "/tmp/x.csv"} << 2 << "一度に一つだけ";
        QTest::newRow("check with an argument") << QStringList{"--check-data-root", "extra"} << 2 << "extra";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "zome2 1.";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        const QString bin = qEnvironmentVariable("ZOME2_BIN_DIR");
        if (bin.isEmpty())
            QSKIP("ZOME2_BIN_DIR not set");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(env);
        process.start(bin + "/zome2", arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "status");
        const QString said = QString::fromLocal8Bit(process.exitCode() == 0 ? process.readAllStandardOutput()
                                                                            : process.readAllStandardError());
        QVERIFY2(said.contains(output), qPrintable(said));
    }

private:
    ManualClock Clock;
    ScriptedRandom Random;
    QStringList Fatals;
    std::unique_ptr<ScreenFlow> Flow;
};

QTEST_MAIN(TestScreenFlow)
#include "tst_ScreenFlow.moc"
