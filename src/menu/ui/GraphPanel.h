#pragma once
#include "base/Limits.h"
#include "menu/TimeGraph.h"
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

struct Environment;
struct School;
struct Session;

class GraphSurface;
class QLabel;
class QListView;
class QPainter;
class QPushButton;
class QStandardItemModel;
class QStringListModel;
class ScaledForm;

// The graph panel of the level menu: a pupil's times on the chosen levels, drawn on the screen or
// printed three levels to an A4 page, one document per pupil. A teacher may print for several
// pupils at once; anyone may look at another pupil's graph.
class GraphPanel : public QWidget {
    Q_OBJECT
public:
    // What the menu's lists read now: the grade selector and the points period may have changed.
    using InputsSource = std::function<TimeGraph::Inputs()>;

    GraphPanel(School& school, Session& session, Environment& env, ScaledForm* form, InputsSource inputs);

    // The level list (1 … levelCount) and the pupil list (the pupils `roster` lists), made ready by
    // the pupil's time history.
    void Prepare(int levelCount, const RosterTables& roster);
    // Only a teacher sees the print button.
    void SetPrintAllowed(bool allowed);

    void Open();          // opens the graph for the working pupil
    void ShowChosenLevels(int index); // 0 draws the chosen levels, 1 prints them
    void ShowChosenLevelsOfChosenPupils(int index); // the same for every pupil chosen in the pupil list
    void FillRanking();          // fills the ranking of RankingIndex for the graph level
    void FindStanding(int index); // 1: the time rank, 0: the points rank and points
    void DrawBand();          // one band of the graph level

signals:
    // The bands are drawn: the menu's options may be used again.
    void BandsDrawn();
    // The score file could not be read.
    void FatalErrorRaised(const QString& message);

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    struct PrintOutcome {
        bool Ok = false;
        QString Where;
        QString Error;
    };
    void Place(QWidget* widget, int left, int top, int width, int height, double pointSize = 0);
    std::vector<int> ChosenLevels() const;
    std::vector<int> ChosenPupils() const;
    bool ReadRecords();
    void DrawOnScreen();
    PrintOutcome Print();
    // Places the bands of the page on the screen again, at the surface's size.
    void RebuildScreen();
    void ShowOtherPupils();
    void ReportPrinting(const std::vector<PrintOutcome>& outcomes);

    ScaledForm* Form;
    InputsSource Inputs;
    int LevelCount = 0;
    int FirstLevelOffset = 1;
    double BaseFontSize = 6;
    int RankingIndex = 1;
    bool Selecting = false;

    // What is being drawn: the records read, the bands of the page and where they go.
    std::vector<ScoreRecord> Records;
    std::vector<TimeGraph::Placement> Page;
    std::size_t PageBand = 0;
    TimeGraph::Surface Target = TimeGraph::Surface::Screen;
    QPainter* PrintPainter = nullptr;
    QSizeF PaperSize;
    ResultLists::Ranking Rankings[3];
    std::array<TimeGraph::Standing, Limits::LevelSlots> Standings{};

    GraphSurface* Surface = nullptr;
    QLabel* LevelHeader = nullptr;
    QListView* LevelList = nullptr;
    QStringListModel* Levels = nullptr;
    QListView* PupilList = nullptr;
    QStandardItemModel* Pupils = nullptr;
    std::array<QPushButton*, 2> HiddenDraw{};
    std::array<QPushButton*, 2> DrawChosen{};
    QPushButton* OtherPupilsButton = nullptr;
    QPushButton* BackButton = nullptr;
    std::array<QListView*, 3> RankingLists{};
    std::array<QStringListModel*, 3> RankingRows{};
};
