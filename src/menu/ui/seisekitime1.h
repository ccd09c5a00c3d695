#pragma once
#include "base/Limits.h"
#include "base/ui/ScaledForm.h"
#include "menu/ResultLists.h"
#include <array>

class GraphPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStringListModel;

// The level menu: one column per level with the pupil's attempts, points and targets, its start
// button and its result list; above them the result views (rankings, today's and a period's
// attempts, the pupil's own history), the grade and period selectors and the way back. The lists'
// rows and the unlock decisions come from the menu logic; the screen shows them.
class seisekitime1 : public ScaledForm {
    Q_OBJECT
public:
    explicit seisekitime1(QWidget* parent = nullptr);

    // Runs every time the menu becomes the active screen: rebuilds the tables and the opening view.
    void Form_Activate();

    // Empties every level's list and sets its headers to "今日" and "今まで".
    void 回数など表示();
    // Clears the selection of every list that holds rows, or of one level's list.
    void 成績リスト色表示();
    void 成績リスト色表示単独(int level);

    // The result views.
    void Command5_Click();       // today's attempts
    void Command7_Click();       // a period's attempts
    void Command3_Click(int level); // one level's ranking
    void Command6_Click();       // every level's ranking by best time
    void Command16_Click();      // the pupil's own history
    void Command9_Click();       // which levels may start, which are barred
    void Command17_Click();      // the graph of the pupil's times

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
    // The score file could not be read; the program cannot go on.
    void FatalErrorRaised(const QString& message);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Column {
        QLabel* Number = nullptr;         // Label1(i)
        QLabel* Name = nullptr;           // Label3(i)
        QPushButton* Start = nullptr;     // Command4(i)
        QLineEdit* Mark = nullptr;        // Text1(i)
        QLabel* TodayHeader = nullptr;    // Label9(i)
        QLabel* AllTimeHeader = nullptr;  // Label10(i)
        QLabel* TodayTotals = nullptr;    // Label14(i)
        QLabel* AllTimeTotals = nullptr;  // Label15(i)
        QLabel* JudgeWindow = nullptr;    // Label8(i)
        QListView* List = nullptr;        // List5(i)
        QStringListModel* Rows = nullptr;
        QLabel* Targets = nullptr;        // Label7(i)
        QPushButton* Ranking = nullptr;   // Command3(i), never shown
    };

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
    void Form_Load();
    void PlaceColumns();
    // Starts level `level` unless the button is disabled: through the button with the wait panel,
    // through the name label without it.
    void StartLevel(int level, bool withWaitPanel);
    void OnDisplayChosen(int index);  // Option2(index)
    void OnOrderChosen(int index);    // Option1(index)
    void OnGradeChosen();             // Combo1
    void OnPeriodChosen();            // Combo2
    void GoBack();                    // Command1
    // The teacher panel.
    void Command8_Click();
    void Command10_Click(int index);
    void Command12_Click();
    // Saves the result tables for a spreadsheet to a file the teacher chooses.
    void SaveResultsForSpreadsheet();
    bool HandleFormKey(QKeyEvent* event);
    // Hides the lists and disables the starts while a view is built.
    void BeginBuilding();
    void ShowLists();
    void SetRows(int level, const QStringList& rows);
    void SetRows(const ResultLists::LevelRows& rows);
    // The last `count` score records; false (after reporting) when the file cannot be read.
    bool ReadRecords(int count, std::vector<ScoreRecord>* records);
    ResultLists::Inputs ListInputs() const;
    bool IsPracticeLevel(int level) const;
    // A practice level shows no results or targets.
    static void HideResults(Column& column);
    static void PumpEvents();

    int LevelCount = 0;
    int DisplayMode = 0;
    int PointsPeriod = 0;
    bool MenuReady = false;
    bool Activating = false;
    bool Loaded = false;
    bool WasInactive = false;
    bool Running = false;

    std::array<Column, Limits::LevelSlots> Columns{};
    QLabel* TitleLabel = nullptr;        // Label11
    QLabel* PupilLabel = nullptr;        // Label12
    QLabel* SchoolLabel = nullptr;       // Label13
    QLabel* MinutesLabel = nullptr;      // Label17
    QLabel* TodayTotalLabel = nullptr;   // Label18
    QLabel* ViewHeader = nullptr;        // Label5
    QWidget* DisplayStrip = nullptr;     // Picture5
    std::array<QRadioButton*, 3> DisplayChoice{};  // Option2(0…2)
    QWidget* OrderPanel = nullptr;       // Picture1
    std::array<QRadioButton*, 4> OrderChoice{};    // Option1(1…3)
    QComboBox* GradeSelector = nullptr;  // Combo1
    QComboBox* PeriodSelector = nullptr; // Combo2
    QPushButton* BackButton = nullptr;   // Command1
    QPushButton* GraphButton = nullptr;  // Command17
    GraphPanel* Graph = nullptr;         // Picture11
    QPushButton* PrintButton = nullptr;  // Command27, never shown here
    QPushButton* FirstViewButton = nullptr; // Command26
    QPushButton* TeacherButton = nullptr;   // Command8
    QWidget* TeacherPanel = nullptr;        // Picture7
    QWidget* WaitPanel = nullptr;        // Picture2
    QProgressBar* WaitProgress = nullptr;   // ProgressBar1
    QWidget* ListWaitPanel = nullptr;    // Picture6
    QProgressBar* ListProgress = nullptr;   // ProgressBar2
};
