#include "menu/GraphPresenter.h"
#include "base/FatalError.h"
#include "base/SheetPrinter.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

namespace {
// The panel opens on this many levels from the first.
constexpr int OpeningLevels = 3;
} // namespace

GraphPresenter::GraphPresenter(InputsSource inputs, QObject* parent) : QObject(parent), Source(std::move(inputs)) {}

void GraphPresenter::Prepare(int levelCount, const RosterTables& roster)
{
    LevelCount = std::clamp(levelCount, 0, Limits::LastLevel);
    Levels.clear();
    for (int level = 1; level <= LevelCount; ++level)
        Levels << QString::number(level);
    Pupils = TimeGraph::PupilChoices(roster);
    // New rows leave nothing chosen.
    LevelRowsChosen.clear();
    PupilRowsChosen.clear();
    ++ListsMade;
    emit Changed();
}

void GraphPresenter::SetPrintAllowed(bool allowed)
{
    Printing = allowed;
    emit Changed();
}

void GraphPresenter::SetPaperPainter(PaperPainter painter) { PaintOnPaper = std::move(painter); }

void GraphPresenter::Open()
{
    GraphPupil = Source().Graph.Lists.CurrentPupil;
    OtherPupils = false;
    PupilRowsChosen.clear();
    LevelRowsChosen.clear();
    for (int row = 0; row < std::min(OpeningLevels, int(Levels.size())); ++row)
        LevelRowsChosen.push_back(row);
    ++ChoiceMade;
    PanelOpen = true;
    ++Raised;
    ShowChosenLevels(TimeGraph::Surface::Screen);
}

void GraphPresenter::Close()
{
    PanelOpen = false;
    emit Changed();
}

void GraphPresenter::ShowOtherPupils()
{
    OtherPupils = true;
    emit Changed();
}

void GraphPresenter::ChooseLevelRows(const std::vector<int>& rows) { LevelRowsChosen = rows; }

void GraphPresenter::ChoosePupilRows(const std::vector<int>& rows) { PupilRowsChosen = rows; }

std::vector<int> GraphPresenter::ChosenLevelRows() const
{
    std::vector<int> rows = LevelRowsChosen;
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<int> GraphPresenter::ChosenLevels() const
{
    std::vector<int> levels;
    for (const int row : ChosenLevelRows())
        if (row >= 0 && row < Levels.size())
            levels.push_back(row + 1);
    return levels;
}

std::vector<int> GraphPresenter::ChosenPupils() const
{
    std::vector<int> rows = PupilRowsChosen;
    std::sort(rows.begin(), rows.end());
    std::vector<int> pupils;
    for (const int row : rows)
        if (row >= 0 && row < int(Pupils.size()))
            pupils.push_back(Pupils[std::size_t(row)].Pupil);
    return pupils;
}

bool GraphPresenter::ReadRecords(const Inputs& in)
{
    try {
        Records = in.LastRecords(TimeGraph::Window);
        return true;
    } catch (const FatalError& e) {
        emit Changed();
        emit FatalErrorRaised(e.Message);
        return false;
    }
}

void GraphPresenter::FindStanding(StandingBy by, int level, const TimeGraph::Inputs& in)
{
    if (!Limits::IsLevel(level))
        return;
    TimeGraph::Standing& standing = Standings[std::size_t(level)];
    if (by == StandingBy::Time) {
        standing.TimeRank = TimeGraph::StandingIn(TimeGraph::TimeRanking(level, in), {}, level, GraphPupil, in).TimeRank;
        return;
    }
    const TimeGraph::Standing points = TimeGraph::StandingIn({}, TimeGraph::PointsRanking(level, in), level, GraphPupil, in);
    standing.PointsRank = points.PointsRank;
    standing.AllTimePoints = points.AllTimePoints;
    standing.PupilsWithPoints = points.PupilsWithPoints;
    standing.PointsSum = points.PointsSum;
}

void GraphPresenter::ShowChosenLevelsOfChosenPupils(TimeGraph::Surface output)
{
    std::vector<int> pupils = ChosenPupils();
    if (pupils.empty())
        pupils.push_back(GraphPupil);
    std::vector<PrintOutcome> outcomes;
    for (const int pupil : pupils) {
        GraphPupil = pupil;
        if (output == TimeGraph::Surface::Screen) {
            DrawOnScreen();
            continue;
        }
        outcomes.push_back(Print());
        if (!outcomes.back().Ok)
            break;
    }
    if (output == TimeGraph::Surface::Paper)
        ReportPrinting(outcomes);
    emit Changed();
}

void GraphPresenter::ShowChosenLevels(TimeGraph::Surface output)
{
    if (output == TimeGraph::Surface::Screen)
        DrawOnScreen();
    else
        ReportPrinting({Print()});
    emit Changed();
}

void GraphPresenter::DrawOnScreen()
{
    Target = TimeGraph::Surface::Screen;
    Shown.clear();
    ++BandsDrawnCount;
    const Inputs in = Source();
    const std::vector<TimeGraph::Placement> plan = TimeGraph::Plan(ChosenLevels(), LevelCount);
    if (plan.empty() || !ReadRecords(in)) {
        emit Changed();
        return;
    }
    // Each new page clears the picture: only the last page stays to be seen.
    Page.clear();
    for (const TimeGraph::Placement& p : plan)
        if (p.Page == plan.back().Page)
            Page.push_back(p);
    for (const TimeGraph::Placement& p : Page) {
        FindStanding(StandingBy::Points, p.Level, in.Graph);
        FindStanding(StandingBy::Time, p.Level, in.Graph);
        Shown.push_back(TimeGraph::Band(Records, p.Level, GraphPupil, Standings[std::size_t(p.Level)], in.Graph,
                                        ScreenSize, p, TimeGraph::Surface::Screen));
        PanelOpen = true;
        ++Raised;
    }
    ++BandsDrawnCount;
    emit Changed();
    emit BandsDrawn();
}

void GraphPresenter::ResizeScreen(const QSizeF& size)
{
    if (size == ScreenSize)
        return;
    ScreenSize = size;
    if (Target != TimeGraph::Surface::Screen || Page.empty() || Shown.empty())
        return;
    const TimeGraph::Inputs in = Source().Graph;
    const int pupil = Shown.front().Pupil;
    Shown.clear();
    for (const TimeGraph::Placement& p : Page)
        Shown.push_back(TimeGraph::Band(Records, p.Level, pupil, Standings[std::size_t(p.Level)], in, ScreenSize, p,
                                        TimeGraph::Surface::Screen));
    ++BandsDrawnCount;
    emit Changed();
}

GraphPresenter::PrintOutcome GraphPresenter::Print()
{
    PrintOutcome outcome;
    const Inputs in = Source();
    if (!in.Printer) {
        outcome.Error = QStringLiteral("この機械では印刷できません（印刷先が設定されていません）。");
        return outcome;
    }
    const std::vector<TimeGraph::Placement> plan = TimeGraph::Plan(ChosenLevels(), LevelCount);
    if (plan.empty()) {
        outcome.Error = QStringLiteral("印刷するレベルを選んでください。");
        return outcome;
    }
    if (!ReadRecords(in)) {
        outcome.Error = QStringLiteral("成績ファイルを読めないため、印刷できませんでした。");
        return outcome;
    }
    const RosterTables& roster = *in.Graph.Lists.Roster;
    SheetPrinter::Document doc;
    doc.PupilName = Limits::IsPupilSlot(GraphPupil) ? RosterFile::TrimBlanks(roster.PupilName[std::size_t(GraphPupil)])
                                                    : QString();
    doc.Pupil = GraphPupil;
    doc.Day = in.Graph.Lists.Now.date();
    doc.Title = in.Graph.ProgramTitle + QStringLiteral(" ") + doc.PupilName;
    QPagedPaintDevice* device = in.Printer->Begin(doc, &outcome.Error);
    if (!device)
        return outcome;

    QPainter painter;
    bool painted = painter.begin(device);
    if (painted) {
        Target = TimeGraph::Surface::Paper;
        const QSizeF paper(device->width(), device->height());
        Page = plan;
        for (std::size_t i = 0; i < Page.size(); ++i) {
            if (i > 0 && Page[i].Page != Page[i - 1].Page && !device->newPage()) {
                painted = false;
                break;
            }
            const int level = Page[i].Level;
            FindStanding(StandingBy::Points, level, in.Graph);
            FindStanding(StandingBy::Time, level, in.Graph);
            const GraphBand band = TimeGraph::Band(Records, level, GraphPupil, Standings[std::size_t(level)], in.Graph,
                                                   paper, Page[i], TimeGraph::Surface::Paper);
            if (PaintOnPaper)
                PaintOnPaper(painter, QRectF(QPointF(0, 0), paper), band);
        }
        Target = TimeGraph::Surface::Screen;
        Page.clear();
        painted = painter.end() && painted;
    }
    outcome.Ok = in.Printer->Finish(painted, &outcome.Where, &outcome.Error);
    if (!outcome.Ok && outcome.Error.isEmpty())
        outcome.Error = QStringLiteral("印刷できませんでした。");
    emit BandsDrawn();
    return outcome;
}

QString GraphPresenter::PrintReport(const std::vector<PrintOutcome>& outcomes, bool writesFiles, bool* problem)
{
    *problem = false;
    if (outcomes.empty())
        return QString();
    QStringList done;
    for (const PrintOutcome& o : outcomes)
        if (o.Ok)
            done << o.Where;
    QString text;
    if (!done.isEmpty())
        text = writesFiles ? QStringLiteral("プリンターがないため、PDFファイルに保存しました。\n") + done.join(u'\n')
                           : QStringLiteral("%1 に %2 部を印刷しました。").arg(done.first()).arg(done.size());
    if (!outcomes.back().Ok) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += outcomes.back().Error;
        *problem = true;
    }
    return text;
}

void GraphPresenter::ReportPrinting(const std::vector<PrintOutcome>& outcomes)
{
    if (outcomes.empty())
        return;
    const SheetPrinter* printer = Source().Printer;
    bool problem = false;
    const QString text = PrintReport(outcomes, printer && printer->WritesFiles(), &problem);
    emit PrintingReported(text, problem);
}
