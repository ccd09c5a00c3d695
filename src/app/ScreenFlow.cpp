#include "app/ScreenFlow.h"
#include "app/LockNotice.h"
#include "attempt_end/ui/AttemptEndScreen.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "base/ui/ScaledMessageBoxes.h"
#include "drill/Attempt.h"
#include "drill/ui/DrillScreen.h"
#include "menu/ui/LevelMenu.h"
#include "records/PassCriteriaFile.h"
#include "records/ResultEvaluation.h"
#include "records/PendingAttempts.h"
#include "records/ScoreFile.h"
#include "roster/ui/NameScreen.h"
#include "setup/Configuration.h"
#include "setup/ShareSafety.h"
#include "setup/ui/WaitScreen.h"
#include "setup/ui/SplashScreen.h"
#include "setup/ui/VersionDialog.h"
#include "sound/SoundCues.h"
#include "state/Environment.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/StateViews.h"
#include "teacher/ui/RecordBrowser.h"
#include "teacher/ui/ClassOverviewScreen.h"
#include "teacher/ui/CriteriaEditor.h"
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <initializer_list>
#include <utility>

ScreenFlow::ScreenFlow(School& school, Session& session, Environment& env, QObject* parent)
    : QObject(parent), TheSchool(school), TheSession(session), Env(env), Notice(new LockNotice), OwnCues(new SoundCues), FlushTimer(new QTimer(this)),
      MessageBoxes(new ScaledMessageBoxes(this))
{
    // Every message box of the screens at their scale, readable on a large screen.
    qApp->installEventFilter(MessageBoxes);
    FlushTimer->setInterval(FlushIntervalMs);
    connect(FlushTimer, &QTimer::timeout, this, &ScreenFlow::FlushPendingAttempts);
    Env.Cues = OwnCues;
    Env.WaitNotice = [notice = QPointer<LockNotice>(Notice)](int seconds) {
        if (notice)
            notice->Waited(seconds);
    };
}

ScreenFlow::~ScreenFlow()
{
    if (Env.Cues == OwnCues)
        Env.Cues = nullptr;
    Env.WaitNotice = nullptr;
    delete Notice.data();
    delete OwnCues;
}

SoundCues& ScreenFlow::Cues()
{
    return *OwnCues;
}

void ScreenFlow::CloseScreen(QWidget* screen)
{
    if (screen)
        screen->close();
}

void ScreenFlow::Start()
{
    Splash = new SplashScreen(TheSchool, Env);
    connect(Splash, &SplashScreen::HandOver, this, [this] {
        OpenNameSelection();
        CloseScreen(Splash);
    });
    Splash->Start();
}

void ScreenFlow::LoadConfiguration(School& school)
{
    const QString programFolder = Configuration::ProgramFolderPath(school.ProgramFolderOverride);
    static_cast<Installation&>(school) = Configuration::LoadPathsAndConfiguration(programFolder, school.DevelopmentLayout);
    // Every level the menu will offer needs its row.
    LevelCatalogue offered;
    offered.Build();
    PassCriteriaFile::LoadPassCriteria(school.DataFolder, school.Criteria, offered.LevelCount);
}

void ScreenFlow::OpenNameSelection()
{
    try {
        LoadConfiguration(TheSchool);
    } catch (const FatalError& e) {
        Fatal(e.Message);
        return;
    }
    // The wave files assigned to each cue, from the sound folder.
    OwnCues->Table = SoundCues::LoadSoundTable(TheSchool.SoundFolder);
    OwnCues->Folder = TheSchool.SoundFolder;
    OwnCues->Player = Env.Player;
    OwnCues->Random = Env.Random;
    // Once a run: a PC that cannot record attempts, or whose share lets two PCs write at once,
    // is told before the first pupil works, not when an attempt is lost.
    const QString warning = TheSchool.CheckShareAtStart ? ShareSafety::StartupWarning(TheSchool.DataFolder, TheSchool.MountTablePath) : QString();
    ShowNameSelection();
    if (!warning.isEmpty())
        QTimer::singleShot(0, Names, [screen = Names, warning] {
            if (screen)
                screen->ShowShareWarning(warning);
        });
    QTimer::singleShot(0, this, &ScreenFlow::FlushPendingAttempts);
    FlushTimer->start();
}

void ScreenFlow::FlushPendingAttempts()
{
    const std::optional<PendingAttempts> queue = StateViews::Queue(TheSchool);
    if (!queue || Flushing || (Drill && Drill->isVisible()))
        return;
    Flushing = true;
    if (!StateViews::PendingRecords(TheSchool, Env).empty()) {
        try {
            // The share may still be away: one try, no waiting for it to come back.
            queue->Flush(StateViews::Scores(TheSchool, Env).TryOnce());
        } catch (const FatalError&) {
            // They wait for the next time.
        }
    }
    Flushing = false;
    ShowPendingCount();
    TellQueueProblem();
}

void ScreenFlow::ShowPendingCount()
{
    if (Names)
        Names->ShowPendingAttempts(int(StateViews::PendingRecords(TheSchool, Env).size()));
}

void ScreenFlow::TellQueueProblem()
{
    if (TheSchool.QueueProblem.isEmpty())
        return;
    const QString problem = std::exchange(TheSchool.QueueProblem, QString());
    QWidget* over = nullptr;
    for (QWidget* screen : std::initializer_list<QWidget*>{Names, Menu, EndScreen})
        if (screen && screen->isVisible())
            over = screen;
    QMessageBox::warning(over, QStringLiteral("注意"), problem);
}

void ScreenFlow::ShowNameSelection()
{
    auto* screen = new NameScreen(TheSchool, TheSession, Env);
    Names = screen;
    connect(screen, &NameScreen::FatalErrorRaised, this, &ScreenFlow::Fatal);
    connect(screen, &NameScreen::PupilSignedIn, this, [this] {
        FlushPendingAttempts();
        BuildLevelCatalogue();
    });
    connect(screen, &NameScreen::VersionRequested, screen, [this, screen] {
        VersionDialog dialog(TheSchool, screen);
        dialog.adjustSize();
        dialog.move(screen->frameGeometry().center() - dialog.rect().center());
        dialog.exec();
        // Back to the name screen, which runs its activation again.
        screen->activateWindow();
    });
    connect(screen, &NameScreen::LeaveRequested, this, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        QCoreApplication::quit();
    });
    screen->ShowScreen();
    ShowPendingCount();
}

void ScreenFlow::BuildLevelCatalogue()
{
    TheSchool.Catalogue.Build();
    ShowLevelMenu();
}

void ScreenFlow::ShowLevelMenu()
{
    auto* menu = new LevelMenu(TheSchool, TheSession, Env);
    Menu = menu;
    connect(menu, &LevelMenu::FatalErrorRaised, this, &ScreenFlow::Fatal);
    // The menu's own wait panel stands while the drill opens; the drill closes the menu.
    connect(menu, &LevelMenu::LevelChosen, this, [this](int level) {
        TheSession.CurrentLevel = qint16(level);
        StartDrill();
    });
    connect(menu, &LevelMenu::BackChosen, this, [this, menu] {
        ShowNameSelection();
        CloseScreen(menu);
    });
    connect(menu, &LevelMenu::RecordBrowserChosen, this, [this, menu] {
        ShowRecordBrowser();
        CloseScreen(menu);
    });
    connect(menu, &LevelMenu::CriteriaEditorChosen, this, [this, menu] {
        ShowCriteriaEditor();
        CloseScreen(menu);
    });
    connect(menu, &LevelMenu::ClassOverviewChosen, this, [this, menu](const QString& gradeFilter) {
        ShowClassOverview(gradeFilter);
        CloseScreen(menu);
    });
    menu->ShowScreen();
    // The menu replaces the name screen.
    CloseScreen(Names);
}

void ScreenFlow::ShowRecordBrowser()
{
    auto* browser = new RecordBrowser(TheSchool, Env);
    Browser = browser;
    connect(browser, &RecordBrowser::BackChosen, this, [this, browser] {
        ShowLevelMenu();
        CloseScreen(browser);
    });
    browser->ShowScreen();
}

void ScreenFlow::ShowCriteriaEditor()
{
    auto* editor = new CriteriaEditor(TheSchool, Env);
    Editor = editor;
    connect(editor, &CriteriaEditor::BackChosen, this, [this, editor] {
        ShowLevelMenu();
        CloseScreen(editor);
    });
    editor->ShowScreen();
}

void ScreenFlow::ShowClassOverview(const QString& gradeFilter)
{
    auto* overview = new ClassOverviewScreen(TheSchool, TheSession, Env, gradeFilter);
    Overview = overview;
    connect(overview, &ClassOverviewScreen::BackChosen, this, [this, overview] {
        ShowLevelMenu();
        CloseScreen(overview);
    });
    overview->ShowScreen();
}

void ScreenFlow::ShowWaitScreen()
{
    if (!Waiting)
        Waiting = new WaitScreen;
    Waiting->ShowCentred();
    Waiting->raise();
    QCoreApplication::processEvents();
}

void ScreenFlow::CloseWaitScreen()
{
    CloseScreen(Waiting);
}

void ScreenFlow::Fatal(const QString& message)
{
    emit Stopped(message);
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
}

void ScreenFlow::ShowMessageAndExit(const QString& message)
{
    QMessageBox::critical(nullptr, QStringLiteral("ゾメ２"), message);
    // Closing the last screen must not end the program with status 0.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(1);
    else // Before exec(): end as soon as the event loop starts.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
}

void ScreenFlow::StartDrill()
{
    Attempt::Start(TheSession);
    QCoreApplication::processEvents();
    ShowDrill();
}

void ScreenFlow::ShowDrill()
{
    if (!Drill || Drill->isHidden()) {
        auto* drill = new DrillScreen(TheSchool, TheSession, Env);
        Drill = drill;
        connect(drill, &DrillScreen::AttemptStarted, this, [this] {
            CloseScreen(Menu);
            CloseWaitScreen();
        });
        connect(drill, &DrillScreen::AttemptEnded, this, &ScreenFlow::EndAttempt);
    }
    Drill->ShowScreen();
    Drill->activateWindow();
}

void ScreenFlow::EndAttempt()
{
    QCoreApplication::processEvents();
    if (!Attempt::BeginEnding(TheSession))
        return;
    QPointer<DrillScreen> drill = Drill;
    if (drill)
        drill->ShowEndOverlay(TheSession.TimedOut);
    QCoreApplication::processEvents();

    const Attempt::Ending ending = Attempt::Decide(TheSession, TheSchool.Catalogue, TheSession.CurrentLevel);
    switch (ending.What) {
    case Attempt::Outcome::BackToMenu:
        ShowWaitScreen();
        CloseScreen(drill);
        ShowLevelMenu();
        QCoreApplication::processEvents();
        return;
    case Attempt::Outcome::Nothing:
        return;
    case Attempt::Outcome::Record:
        break;
    }
    if (drill)
        drill->StopClock();
    TheSession.RecordedSeconds = ending.RecordedSeconds;
    TheSession.RecordingNote.clear();
    try {
        const ScoreRecord record = ScoreFile::AttemptRecord(Env.TheClock->Now(), TheSession.CurrentPupil, TheSession.CurrentLevel,
                                                            TheSession.RecordedSeconds, TheSchool.SchoolCode);
        const std::optional<PendingAttempts> queue = StateViews::Queue(TheSchool);
        const ResultEvaluation::Recorded recorded = ResultEvaluation::RecordAttempt(
            StateViews::Scores(TheSchool, Env), record, TheSchool.Criteria, TheSchool.Results, TheSchool.Scores, queue ? &*queue : nullptr);
        switch (recorded.StoredIn) {
        case ResultEvaluation::Recorded::Place::ScoreFile:
            break;
        case ResultEvaluation::Recorded::Place::ThisPc:
            TheSession.RecordingNote = QStringLiteral("成績はこのパソコンに一時保存しました。共有フォルダに戻ったら書き込みます。\n")
                              + recorded.Problem;
            break;
        case ResultEvaluation::Recorded::Place::Nowhere:
            TheSession.RecordingNote = QStringLiteral("この回の成績は記録できませんでした。共有フォルダにも、このパソコンにも書き込めません。\n")
                              + recorded.Problem;
            break;
        }
        TheSession.AlreadyPassed = recorded.AlreadyPassed;
        TheSession.NewPersonalBest = TheSession.NewPersonalBest || recorded.NewPersonalBest;
        TheSession.NewSchoolBest = TheSession.NewSchoolBest || recorded.NewSchoolBest;
    } catch (const FatalError& e) {
        Fatal(e.Message);
        return;
    }
    ShowWaitScreen();
    QCoreApplication::processEvents();
    WaitSeconds(1);
}

void ScreenFlow::WaitSeconds(double seconds)
{
    // A timer-driven wait: the screen stays responsive, and the drill ignores what arrives meanwhile.
    Env.Wait(int(seconds * 1000));
    CloseScreen(Drill);
    auto* end = new AttemptEndScreen(TheSchool, TheSession, Env);
    EndScreen = end;
    connect(end, &AttemptEndScreen::FatalErrorRaised, this, &ScreenFlow::Fatal);
    connect(end, &AttemptEndScreen::Activated, this, &ScreenFlow::CloseWaitScreen);
    connect(end, &AttemptEndScreen::MenuChosen, this, [this, end] {
        ShowLevelMenu();
        CloseScreen(end);
        QCoreApplication::processEvents();
    });
    connect(end, &AttemptEndScreen::RetryChosen, this, [this, end] {
        ShowWaitScreen();
        CloseScreen(end);
        QCoreApplication::processEvents();
        StartDrill();
    });
    end->ShowScreen();
}
