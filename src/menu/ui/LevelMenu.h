#pragma once
#include "base/Limits.h"
#include "base/ui/ScaledForm.h"
#include "menu/LevelMenuPresenter.h"
#include "menu/ui/LevelColumn.h"
#include <array>

struct Environment;
struct School;
struct Session;

class GraphPanel;
class TeacherPanel;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWindow;

// The level menu: one column per level with the pupil's attempts, points and targets, its start
// button and its result list; above them the result views (rankings, today's and a period's
// attempts, the pupil's own history), the grade and period selectors and the way back. What it
// shows comes from its LevelMenuPresenter; the screen renders it and forwards what the user does.
class LevelMenu : public ScaledForm {
    Q_OBJECT
public:
    LevelMenu(School& school, Session& session, Environment& env, QWidget* parent = nullptr);

    // Runs every time the menu becomes the active screen: rebuilds the tables and the opening view.
    void Refresh();
    // The graph of the pupil's times.
    void OpenGraph();

    // True once the activation has finished and the menu takes keys.
    bool IsReady() const { return ThePresenter.IsReady(); }
    LevelMenuPresenter& Presenter() { return ThePresenter; }
    const LevelMenuPresenter& Presenter() const { return ThePresenter; }

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
    LevelMenuPresenter ThePresenter;

    void BuildControls();
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
    void PlaceColumns();
    void Render();
    void RenderProgress();
    // Gives the focus to the first start button that starts, or to the form.
    void FocusFirstStart();
    // Notes when another of the program's screens becomes the active window.
    void NoteActiveWindow(QWindow* window);
    static void PumpEvents();

    int LevelCount = 0;
    bool Loaded = false;
    bool AnotherScreenWasActive = false;
    // What was last brought to the front.
    quint64 StartsDecidedShown = 0;
    double TitlePointSize = 24;
    bool WaitPanelUp = false;
    bool ListWaitPanelUp = false;
    bool TeacherPanelUp = false;

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
    std::array<QRadioButton*, 3> OrderChoice{};
    QComboBox* GradeSelector = nullptr;
    QComboBox* PeriodSelector = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* GraphButton = nullptr;
    GraphPanel* Graph = nullptr;
    QPushButton* TeacherButton = nullptr;
    TeacherPanel* Teacher = nullptr;
    QWidget* WaitPanel = nullptr;
    QProgressBar* WaitProgress = nullptr;
    QWidget* ListWaitPanel = nullptr;
    QProgressBar* ListProgress = nullptr;
};
