#pragma once
#include "base/Limits.h"
#include "menu/GraphPresenter.h"
#include "menu/ListPeriod.h"
#include "menu/MenuDisplay.h"
#include "menu/MenuView.h"
#include "menu/ResultLists.h"
#include "records/PassCriteria.h"
#include "records/ScoreRecord.h"
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class Clock;
class SheetPrinter;
struct LevelCatalogue;
struct LoadedScores;
struct ResultTables;
struct RosterTables;

// The level menu without its widgets: every text, mark, enabled and visible state and list row
// the menu shows, worked out from the school and the session, and the user's actions taken as
// calls. The screen renders Screen() whenever Changed is announced; ShowNow asks it to do so at
// once and to let waiting events run, because long work follows (the moments a wait panel or an
// emptied list must be seen). The graph panel's part is Graph().
class LevelMenuPresenter : public QObject {
    Q_OBJECT
public:
    // What the menu works from, as the school and the session stand when it asks.
    struct Inputs {
        const LevelCatalogue* Catalogue = nullptr;
        // A practice level's criteria are relaxed here when the menu is refreshed.
        CriteriaTable* Criteria = nullptr;
        const ResultTables* Results = nullptr;
        const LoadedScores* Scores = nullptr;
        // The time history takes the roster as the file has it now into this one.
        RosterTables* Roster = nullptr;
        const Clock* TheClock = nullptr;
        SheetPrinter* Printer = nullptr;
        bool AllLevelsOpen = false;
        QString ProgramTitle;
        QString SchoolName;
        QString DataRoot;
        int RosterOption = 0;
        int SchoolYearStartMonth = 0;

        int Pupil = 0;
        QString PupilName;
        QString GradeLabel;
        qint32 LoginTime = 0;        // whole seconds since midnight
        QString GradeFilterText;     // the name screen's grade: the menu's selector starts on it

        // Rebuilds the result tables from the score file as of now (throws FatalError).
        std::function<void()> ReloadResults;
        // The last `count` records of the score file with this PC's waiting ones (throws FatalError).
        std::function<std::vector<ScoreRecord>(qint64 count)> LastRecords;
        // What the menu found out for the session: the pupil's attempts today, and whether the
        // final level is passed.
        std::function<void(qint16 todayTotal)> TodayTotalCounted;
        std::function<void(bool cleared)> FinalLevelClearedFound;
    };
    using InputsSource = std::function<Inputs()>;

    // One level's column, top to bottom.
    struct Column {
        QString Number;
        QString Name;                // also its tool tip
        QString StartCaption;
        bool StartEnabled = true;
        bool Barred = false;         // the mark stands in place of the start button
        QString MarkText;
        QString TodayHeader;
        QString AllTimeHeader;
        QString TodayTotals;
        QString AllTimeTotals;
        QString JudgeWindow;
        QString Targets;
        // A practice level shows neither results nor targets.
        bool ResultsShown = true;
        bool ListShown = true;
        QStringList Rows;
        int RowInView = -1;          // a ranking's row to bring to the middle of the list; -1: none
        quint64 RowsVersion = 0;     // counts every new set of rows
    };

    // An option of the order panel: the view it stands for in the display in effect.
    struct OrderOption {
        QString Text;
        MenuView View = MenuView::BestTimes;
        bool Checked = false;
    };

    struct Progress {
        int Value = -1;
        int Maximum = 100;
    };

    // A choice of the period selector.
    struct PeriodChoice {
        QString Text;
        ListPeriod Period = ListPeriod::Month;
    };

    struct Screen {
        QString Title;
        double TitlePointSize = 24;
        QString PupilHeading;
        QString SchoolHeading;
        QString MinutesSinceSignIn;
        QString TodayTotal;
        QString ViewHeading;

        std::optional<MenuDisplay> DisplayChecked;
        std::array<OrderOption, 3> Orders;
        bool OrderPanelEnabled = true;
        QString GradeFilter;
        bool PeriodSelectorShown = false;
        bool BackEnabled = true;
        bool GraphButtonShown = false;
        bool TeacherButtonShown = false;
        bool TeacherPanelOpen = false;

        // "Just a moment, please." over the whole menu (a level starting, the way back, a refresh),
        // and over the lists while they are built.
        bool WaitPanelShown = false;
        bool WaitProgressShown = true;
        bool ListWaitPanelShown = false;
        Progress WaitProgress;
        Progress ListProgress;

        std::array<Column, Limits::LevelSlots> Columns{};  // index = level
        // Counts the decisions of which levels start: the marks come to the front with each.
        quint64 StartsDecided = 0;
    };

    explicit LevelMenuPresenter(InputsSource inputs, QObject* parent = nullptr);

    // Rebuilds the tables and the opening view, every level's all-time points ranking. Does
    // nothing while a refresh runs.
    void Refresh();

    // The user's actions.
    void ChooseView(MenuView view);
    void ChooseDisplay(MenuDisplay display);
    // A period counts only while the order panel's period option is chosen.
    void ChoosePeriod(ListPeriod period);
    // The grade selector's text as the user edits it; the lists read it when they are next built.
    void EditGradeFilter(const QString& text);
    // A grade chosen in the selector: the lists are built again for it, in the time or the points
    // display (the time history gives way to the points display).
    void ChooseGrade(const QString& text);
    // Starts `level` unless it is barred or the teacher panel is open: through the start button
    // or its key with the wait panel, through the level's name without it.
    void StartLevel(int level);
    void StartLevelFromName(int level);
    void GoBack();
    // A key typed on the menu (its text); true when the menu takes it: the level keys 1–9 and a–d,
    // 0 for the way back, and every single character while the menu is not ready.
    bool TakeKey(const QString& text);
    void OpenTeacherPanel();
    void CloseTeacherPanel();
    void OpenGraph();

    // The teacher's results for a spreadsheet: the file name offered for today, and the save into
    // `file` of the tables as of now, with what to tell the teacher.
    QString ResultsFileName() const;
    struct Notice {
        QString Text;
        bool Problem = false;
    };
    Notice SaveResultsForSpreadsheet(const QString& file);

    const Screen& Shown() const { return S; }
    int LevelCount() const { return Levels; }
    bool IsReady() const { return Ready; }
    bool IsRefreshing() const { return Refreshing; }
    MenuView View() const { return CurrentView; }
    ResultLists::DisplayMode Display() const { return ListMode; }
    ListPeriod Period() const { return CurrentPeriod; }
    int PeriodDays() const { return CurrentPeriodDays; }
    const QString& GradeFilter() const { return S.GradeFilter; }
    // The first level that starts (0: none), which takes the focus after a grade is chosen.
    int FirstStartingLevel() const;
    GraphPresenter& Graph() { return GraphPart; }
    const GraphPresenter& Graph() const { return GraphPart; }

    // The period selector's choices, in its order, and the text it opens with.
    static std::vector<PeriodChoice> PeriodChoices();
    static QString OpeningPeriodText();
    // The grade selector's choices.
    static QStringList GradeChoices();
    // Practice has no pass line to reach: its target and lowest times.
    static constexpr qint32 PracticeTime = 600;

signals:
    void Changed();
    void ShowNow();
    void ProgressMoved();
    // The pupil starts `level`; the wait panel is up.
    void LevelChosen(int level);
    void BackChosen();
    // The score file could not be read; the program cannot go on.
    void FatalErrorRaised(const QString& message);

private:
    // What the user's actions run, without announcing the end.
    void DisplayChosen(MenuDisplay display);
    void OrderChosen(std::size_t option);
    void SetOrderOptions(ResultLists::DisplayMode mode);
    void ShowTodaysAttempts(const Inputs& in);
    void ShowPeriodAttempts(const Inputs& in);
    void ShowLevelRanking(int level, const Inputs& in);
    void ShowBestTimeRankings(const Inputs& in);
    void ShowPointsRankings(ResultLists::PointsPeriod period, const Inputs& in);
    void ShowTimeHistory(const Inputs& in);
    void DecideLevelStarts(const Inputs& in);
    void BeginBuilding();
    void ShowLists(const Inputs& in);
    void ResetLevelLists();
    void SetRows(int level, const QStringList& rows, int rowInView = -1);
    void SetRows(const ResultLists::LevelRows& rows);
    void MoveListProgress(int value, int maximum);
    void RunListProgress(int records);
    // The last `count` records; false (after reporting) when the file cannot be read.
    bool ReadRecords(const Inputs& in, int count, std::vector<ScoreRecord>* records);
    void Fail(const QString& message);
    ResultLists::Inputs ListInputs(const Inputs& in) const;
    void Start(int level, bool withWaitPanel);

    InputsSource Source;
    int Levels = 0;
    Screen S;
    bool Ready = false;
    bool Refreshing = false;
    bool Activating = false;
    MenuView CurrentView = MenuView::BestTimes;
    // The display the order options belong to, and which points lead the points rankings.
    ResultLists::DisplayMode ListMode = ResultLists::TimeDisplay;
    ResultLists::PointsPeriod PointsLead = ResultLists::AllTimeLead;
    ListPeriod CurrentPeriod = ListPeriod::Month;
    int CurrentPeriodDays = 0;
    GraphPresenter GraphPart;
};
