#pragma once
#include "base/Limits.h"
#include "base/ui/ScaledForm.h"
#include "menu/ResultLists.h"
#include "menu/ui/LevelColumn.h"
#include <array>

struct Environment;
struct School;
struct Session;

class GraphPanel;
class TeacherPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStringListModel;
class QWindow;

// The level menu: one column per level with the pupil's attempts, points and targets, its start
// button and its result list; above them the result views (rankings, today's and a period's
// attempts, the pupil's own history), the grade and period selectors and the way back. The lists'
// rows and the unlock decisions come from the menu logic; the screen shows them.
class LevelMenu : public ScaledForm {
    Q_OBJECT
public:
    LevelMenu(School& school, Session& session, Environment& env, QWidget* parent = nullptr);

    // Runs every time the menu becomes the active screen: rebuilds the tables and the opening view.
    void Refresh();

    // Empties every level's list and sets its headers to "今日" and "今まで".
    void ResetLevelLists();
    // Clears the selection of every list that holds rows, or of one level's list.
    void ClearListSelections();
    void ClearListSelection(int level);

    // The result views.
    void ShowTodaysAttempts();       // today's attempts
    void ShowPeriodAttempts();       // a period's attempts
    void ShowLevelRanking(int level); // one level's ranking
    void ShowBestTimeRankings();       // every level's ranking by best time
    void ShowTimeHistory();      // the pupil's own history
    void DecideLevelStarts();       // which levels may start, which are barred
    void OpenGraph();      // the graph of the pupil's times

    // True once the activation has finished and the menu takes keys.
    bool IsReady() const { return MenuReady; }
    int Display() const { return DisplayMode; }

signals:
    // The pupil starts `level`; the menu's wait panel is up.
    void LevelChosen(int level);
    // Back to the name screen.
    void BackChosen();
    // The teacher opens the record browser or the pass-criteria editor; the menu closes.
    void RecordBrowserChosen();
    void CriteriaEditorChosen();
    // The class overview, for the pupils the menu's grade selector passes.
    void ClassOverviewChosen(const QString& gradeFilter);
    // The score file could not be read; the program cannot go on.
    void FatalErrorRaised(const QString& message);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    void BuildControls();
    // The list wait panel's bar over the records a list is built from: from 0, to their count.
    void RunListProgress(int records);
    // A wait panel, "Just a moment, please." over a progress bar; places in twips.
    struct WaitPanelPlace {
        const char* Panel;
        const char* Label;
        const char* Bar;
        QRect Area;
        QRect Text;
        double PointSize;
        QRect Progress;
    };
    QWidget* NewWaitPanel(const WaitPanelPlace& place, QProgressBar** progress);
    void Prepare();
    void PlaceColumns();
    // Starts level `level` unless the button is disabled: through the button with the wait panel,
    // through the name label without it.
    void StartLevel(int level, bool withWaitPanel);
    void OnDisplayChosen(int index);
    void OnOrderChosen(int index);
    void OnGradeChosen();
    void OnPeriodChosen();
    void GoBack();
    bool HandleFormKey(QKeyEvent* event);
    // Notes when another of the program's screens becomes the active window.
    void NoteActiveWindow(QWindow* window);
    // Hides the lists and disables the starts while a view is built.
    void BeginBuilding();
    void ShowLists();
    void SetRows(int level, const QStringList& rows);
    void SetRows(const ResultLists::LevelRows& rows);
    // The last `count` score records; false (after reporting) when the file cannot be read.
    bool ReadRecords(int count, std::vector<ScoreRecord>* records);
    ResultLists::Inputs ListInputs() const;
    bool IsPracticeLevel(int level) const;
    static void PumpEvents();

    int LevelCount = 0;
    int DisplayMode = 0;
    int PointsPeriod = 0;
    bool MenuReady = false;
    bool Activating = false;
    bool Loaded = false;
    bool AnotherScreenWasActive = false;
    bool Running = false;

    std::array<LevelColumn, Limits::LevelSlots> Columns{};
    QLabel* TitleLabel = nullptr;
    QLabel* PupilLabel = nullptr;
    QLabel* SchoolLabel = nullptr;
    QLabel* MinutesLabel = nullptr;
    QLabel* TodayTotalLabel = nullptr;
    QLabel* ViewHeader = nullptr;
    QWidget* DisplayStrip = nullptr;
    std::array<QRadioButton*, 3> DisplayChoice{};
    QWidget* OrderPanel = nullptr;
    std::array<QRadioButton*, 4> OrderChoice{};
    QComboBox* GradeSelector = nullptr;
    QComboBox* PeriodSelector = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* GraphButton = nullptr;
    GraphPanel* Graph = nullptr;
    QPushButton* PrintButton = nullptr;  // never shown here
    QPushButton* FirstViewButton = nullptr;
    QPushButton* TeacherButton = nullptr;
    TeacherPanel* Teacher = nullptr;
    QWidget* WaitPanel = nullptr;
    QProgressBar* WaitProgress = nullptr;
    QWidget* ListWaitPanel = nullptr;
    QProgressBar* ListProgress = nullptr;
};
