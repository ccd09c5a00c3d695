#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

class WaitScreen;
class LockNotice;
class SplashScreen;
class RecordBrowser;
class AttemptEndScreen;
class ClassOverviewScreen;
class CriteriaEditor;
class DrillScreen;
class NameScreen;
class LevelMenu;
class SoundCues;
class QTimer;
class ScaledMessageBoxes;
struct Environment;
struct School;
struct Session;

// Which screen opens which: the only code that knows every screen. The screens announce what
// happened with signals; the flow answers them, owns the screens' lifetimes and closes them by
// pointer. It also owns the sound cues the screens play through.
class ScreenFlow : public QObject {
    Q_OBJECT
public:
    // The flow shows every screen with the school, the session and the environment it is given;
    // they outlive it.
    ScreenFlow(School& school, Session& session, Environment& env, QObject* parent = nullptr);
    ~ScreenFlow() override;

    // Shows the splash screen; 100 ms later the configuration is read and the name screen opens.
    void Start();
    // Reads the configuration, the criteria and the sound assignments, then shows the name
    // selection screen; a configuration error ends the program with its message.
    void OpenNameSelection();
    // Reads the configuration files into `school`. Throws FatalError.
    static void LoadConfiguration(School& school);
    // Shows a new name selection screen (the configuration is already read).
    void ShowNameSelection();
    // Fills the level catalogue and shows the level menu.
    void BuildLevelCatalogue();
    // A new level menu for the signed-in pupil; it replaces the name screen.
    void ShowLevelMenu();
    // The teacher's record browser and pass-criteria editor; each replaces the menu and gives way
    // to a new menu when the teacher leaves.
    void ShowRecordBrowser();
    void ShowCriteriaEditor();
    // The class overview for the pupils `gradeFilter` passes; it replaces the menu likewise.
    void ShowClassOverview(const QString& gradeFilter);
    // One wait screen at a time: showing it again only raises it.
    void ShowWaitScreen();
    void CloseWaitScreen();

    // The attempt: resets the attempt state and shows the drill screen.
    void StartDrill();
    // Closes the running attempt once: records it and hands over to the attempt end screen.
    void EndAttempt();
    // Waits keeping the screen responsive, then closes the drill screen and shows the attempt end screen.
    void WaitSeconds(double seconds);

    // Reports `message` through Stopped, then closes every screen.
    void Fatal(const QString& message);
    // What the program does when it is stopped: the message in a message box, then the event loop
    // ends with status 1 (at once, or as soon as it starts).
    static void ShowMessageAndExit(const QString& message);

    // The cues every screen plays through, made from the shared state's table.
    SoundCues& Cues();

    // Appends the attempts waiting on this PC to the score file, when the share takes them, and
    // tells the name screen how many still wait. Runs at the start, at sign-in and every minute
    // (never while an attempt runs); a damaged queue is told in a message box.
    void FlushPendingAttempts();
    static constexpr int FlushIntervalMs = 60 * 1000;

signals:
    // The program cannot go on; `message` says why.
    void Stopped(const QString& message);

private:
    void ShowDrill();
    void CloseScreen(QWidget* screen);
    void ShowPendingCount();
    void TellQueueProblem();

    QPointer<SplashScreen> Splash;
    QPointer<NameScreen> Names;
    QPointer<LevelMenu> Menu;
    QPointer<DrillScreen> Drill;
    QPointer<AttemptEndScreen> EndScreen;
    QPointer<RecordBrowser> Browser;
    QPointer<CriteriaEditor> Editor;
    QPointer<ClassOverviewScreen> Overview;
    QPointer<WaitScreen> Waiting;
    School& TheSchool;
    Session& TheSession;
    Environment& Env;
    QPointer<LockNotice> Notice;
    SoundCues* OwnCues;
    QTimer* FlushTimer;
    ScaledMessageBoxes* MessageBoxes;
    bool Flushing = false;
};
