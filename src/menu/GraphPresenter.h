#pragma once
#include "base/Limits.h"
#include "menu/GraphBand.h"
#include "menu/TimeGraph.h"
#include "records/ScoreRecord.h"
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class QPainter;
class SheetPrinter;

// The level menu's graph panel without its widgets: the level and pupil lists and what is chosen
// in them, whose graph it is, the bands of the page on the screen, and the printing of sheets,
// three levels to an A4 page and one document per pupil. A teacher may print for several pupils
// at once; anyone may look at another pupil's graph. The panel shows the state and forwards the
// choices; Changed says when the state has moved.
class GraphPresenter : public QObject {
    Q_OBJECT
public:
    // What a graph reads, as the menu stands when it is drawn.
    struct Inputs {
        TimeGraph::Inputs Graph;           // roster, tables, grade selector, points period, now, title
        SheetPrinter* Printer = nullptr;   // none: nothing can be printed
        // The last `count` records of the score file with this PC's waiting ones (throws FatalError).
        std::function<std::vector<ScoreRecord>(qint64 count)> LastRecords;
    };
    using InputsSource = std::function<Inputs()>;
    // Paints one band on a sheet's page.
    using PaperPainter = std::function<void(QPainter& painter, const QRectF& page, const GraphBand& band)>;
    // Which of a level's rankings a standing is found in.
    enum class StandingBy { Time, Points };

    struct PrintOutcome {
        bool Ok = false;
        QString Where;
        QString Error;
    };

    explicit GraphPresenter(InputsSource inputs, QObject* parent = nullptr);

    // The level list (1 … levelCount) and the pupil list (the pupils `roster` lists).
    void Prepare(int levelCount, const RosterTables& roster);
    // Only a teacher prints.
    void SetPrintAllowed(bool allowed);
    void SetPaperPainter(PaperPainter painter);

    // Opens the panel on the working pupil's first three levels and draws them.
    void Open();
    void Close();
    // The pupil list in place of its button.
    void ShowOtherPupils();
    // The rows chosen in the level list and in the pupil list (from 0, in any order).
    void ChooseLevelRows(const std::vector<int>& rows);
    void ChoosePupilRows(const std::vector<int>& rows);
    // The surface's size on the screen; a new size places the bands shown again.
    void ResizeScreen(const QSizeF& size);

    // The chosen levels of the graph's pupil, drawn or printed.
    void ShowChosenLevels(TimeGraph::Surface output);
    // The same for every pupil chosen in the pupil list, or for the graph's pupil when none is.
    void ShowChosenLevelsOfChosenPupils(TimeGraph::Surface output);

    bool IsOpen() const { return PanelOpen; }
    bool PrintAllowed() const { return Printing; }
    bool OtherPupilsShown() const { return OtherPupils; }
    const QStringList& LevelRows() const { return Levels; }
    const std::vector<TimeGraph::PupilChoice>& PupilRows() const { return Pupils; }
    // The lists' rows changed (Prepare); the choice was made here, not in the lists (Open).
    quint64 ListsVersion() const { return ListsMade; }
    quint64 ChoiceVersion() const { return ChoiceMade; }
    std::vector<int> ChosenLevelRows() const;
    std::vector<int> ChosenPupilRows() const { return PupilRowsChosen; }
    // Whose graph it is.
    int Pupil() const { return GraphPupil; }
    // The bands on the screen, and how many times they were drawn or the panel brought up.
    const std::vector<GraphBand>& Bands() const { return Shown; }
    quint64 BandsVersion() const { return BandsDrawnCount; }
    quint64 RaiseVersion() const { return Raised; }

    // What the teacher is told after printing: the text, and whether it tells of a failure.
    static QString PrintReport(const std::vector<PrintOutcome>& outcomes, bool writesFiles, bool* problem);

signals:
    void Changed();
    // The bands are drawn: the menu's options may be used again.
    void BandsDrawn();
    // After printing, what to tell the teacher.
    void PrintingReported(const QString& text, bool problem);
    // The score file could not be read.
    void FatalErrorRaised(const QString& message);

private:
    std::vector<int> ChosenLevels() const;
    std::vector<int> ChosenPupils() const;
    bool ReadRecords(const Inputs& in);
    void FindStanding(StandingBy by, int level, const TimeGraph::Inputs& in);
    void DrawOnScreen();
    PrintOutcome Print();
    void ReportPrinting(const std::vector<PrintOutcome>& outcomes);

    InputsSource Source;
    PaperPainter PaintOnPaper;
    int LevelCount = 0;
    bool PanelOpen = false;
    bool Printing = false;
    bool OtherPupils = false;
    QStringList Levels;
    std::vector<TimeGraph::PupilChoice> Pupils;
    std::vector<int> LevelRowsChosen;
    std::vector<int> PupilRowsChosen;
    quint64 ListsMade = 0;
    quint64 ChoiceMade = 0;
    int GraphPupil = 0;

    // What is being drawn: the records read, the bands of the page and their standings.
    std::vector<ScoreRecord> Records;
    std::vector<TimeGraph::Placement> Page;
    std::array<TimeGraph::Standing, Limits::LevelSlots> Standings{};
    QSizeF ScreenSize;
    std::vector<GraphBand> Shown;
    TimeGraph::Surface Target = TimeGraph::Surface::Screen;
    quint64 BandsDrawnCount = 0;
    quint64 Raised = 0;
};
