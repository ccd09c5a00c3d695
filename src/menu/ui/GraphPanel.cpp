#include "menu/ui/GraphPanel.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "base/ui/ScaledForm.h"
#include "base/SheetPrinter.h"
#include "menu/ui/GraphPainter.h"
#include "menu/ui/GraphSurface.h"
#include "roster/RosterFile.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStringListModel>
#include <algorithm>

namespace {
constexpr int PupilRole = Qt::UserRole + 1;


} // namespace

GraphPanel::GraphPanel(School& school, Session& session, Environment& env, ScaledForm* form, InputsSource inputs)
    : QWidget(form), TheSchool(school), TheSession(session), Env(env), Form(form), Inputs(std::move(inputs))
{
    setObjectName(QStringLiteral("Picture11"));
    setAutoFillBackground(true);
    Place(this, 120, 1740, 15120, 9720);

    Surface = new GraphSurface(form, this);
    Surface->setObjectName(QStringLiteral("Picture12"));
    Place(Surface, 0, 0, 11280, 9720);
    connect(Surface, &GraphSurface::Resized, this, &GraphPanel::RebuildScreen);

    LevelHeader = ScaledForm::NewLabel(this, QStringLiteral("Label27"), QStringLiteral("ﾚﾍﾞﾙ"), Qt::AlignCenter);
    Place(LevelHeader, 11400, 0, 900, 360, 10);
    Levels = new QStringListModel(this);
    LevelList = ScaledForm::NewList(this, QStringLiteral("List3"), Levels);
    LevelList->setSelectionMode(QAbstractItemView::MultiSelection);
    Place(LevelList, 11400, 390, 900, 4200, 11);
    connect(LevelList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!Selecting && isVisible())
            ShowChosenLevelsOfChosenPupils(0);
    });

    const QString drawCaptions[2] = {QStringLiteral("表示"), QStringLiteral("印刷")};
    for (int i = 0; i < 2; ++i) {
        HiddenDraw[std::size_t(i)] = ScaledForm::NewButton(this, QStringLiteral("Command21_%1").arg(i), drawCaptions[i]);
        HiddenDraw[std::size_t(i)]->hide();
        connect(HiddenDraw[std::size_t(i)], &QPushButton::clicked, this, [this, i] { ShowChosenLevels(i); });
        DrawChosen[std::size_t(i)] = ScaledForm::NewButton(this, QStringLiteral("Command24_%1").arg(i), drawCaptions[i]);
        Place(DrawChosen[std::size_t(i)], 12420 + i * 1380, 390, 1260, 540, 11);
        connect(DrawChosen[std::size_t(i)], &QPushButton::clicked, this, [this, i] { ShowChosenLevelsOfChosenPupils(i); });
    }
    DrawChosen[1]->hide();

    OtherPupilsButton = ScaledForm::NewButton(this, QStringLiteral("Command25"), QStringLiteral("他の人のデータを見る"));
    Place(OtherPupilsButton, 12420, 1050, 2640, 540, 10);
    connect(OtherPupilsButton, &QPushButton::clicked, this, &GraphPanel::ShowOtherPupils);

    Pupils = new QStandardItemModel(this);
    PupilList = ScaledForm::NewList(this, QStringLiteral("List2"), Pupils);
    PupilList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    PupilList->setToolTip(QStringLiteral("Ctrlキーを押しながらクリックすると、何人でも選べます"));
    Place(PupilList, 12420, 1050, 2640, 7800, 10);
    PupilList->hide();
    connect(PupilList, &QListView::clicked, this, [this] { ShowChosenLevelsOfChosenPupils(0); });

    BackButton = ScaledForm::NewButton(this, QStringLiteral("Command18"), QStringLiteral("戻る"));
    Place(BackButton, 12420, 9060, 2640, 600, 12);
    connect(BackButton, &QPushButton::clicked, this, &QWidget::hide);

    for (int k = 1; k <= 2; ++k) {
        RankingRows[std::size_t(k)] = new QStringListModel(this);
        RankingLists[std::size_t(k)] = ScaledForm::NewList(this, QStringLiteral("List4_%1").arg(k), RankingRows[std::size_t(k)]);
        RankingLists[std::size_t(k)]->hide();
    }
    hide();
}

void GraphPanel::Place(QWidget* widget, int left, int top, int width, int height, double pointSize)
{
    Form->Place(widget, left, top, width, height, pointSize);
}

void GraphPanel::Prepare(int levelCount, const RosterTables& roster)
{
    LevelCount = std::clamp(levelCount, 0, Limits::LastLevel);
    QStringList rows;
    for (int level = 1; level <= LevelCount; ++level)
        rows << QString::number(level);
    Selecting = true;
    Levels->setStringList(rows);
    Selecting = false;

    Pupils->clear();
    for (const TimeGraph::PupilChoice& choice : TimeGraph::PupilChoices(roster)) {
        auto* item = new QStandardItem(choice.Row);
        item->setData(choice.Pupil, PupilRole);
        item->setEditable(false);
        Pupils->appendRow(item);
    }
}

void GraphPanel::SetPrintAllowed(bool allowed)
{
    DrawChosen[1]->setVisible(allowed);
}

void GraphPanel::Open()
{
    TheSession.GraphPupil = TheSession.CurrentPupil;
    PupilList->hide();
    OtherPupilsButton->show();
    PupilList->clearSelection();
    Selecting = true;
    LevelList->clearSelection();
    for (int row = 0; row < std::min(3, Levels->rowCount()); ++row)
        LevelList->selectionModel()->select(Levels->index(row), QItemSelectionModel::Select);
    Selecting = false;
    BaseFontSize = 6;
    FirstLevelOffset = 1;
    raise();
    show();
    ShowChosenLevels(0);
}

std::vector<int> GraphPanel::ChosenLevels() const
{
    std::vector<int> levels;
    for (const QModelIndex& index : LevelList->selectionModel()->selectedRows())
        levels.push_back(index.row() + FirstLevelOffset);
    std::sort(levels.begin(), levels.end());
    return levels;
}

std::vector<int> GraphPanel::ChosenPupils() const
{
    std::vector<std::pair<int, int>> rows;
    for (const QModelIndex& index : PupilList->selectionModel()->selectedRows())
        rows.emplace_back(index.row(), index.data(PupilRole).toInt());
    std::sort(rows.begin(), rows.end());
    std::vector<int> pupils;
    for (const auto& row : rows)
        pupils.push_back(row.second);
    return pupils;
}

void GraphPanel::ShowOtherPupils()
{
    OtherPupilsButton->hide();
    PupilList->show();
}

bool GraphPanel::ReadRecords()
{
    try {
        Records = StateViews::LastRecords(TheSchool, TheSession, Env, TimeGraph::Window);
        return true;
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        return false;
    }
}

void GraphPanel::ShowChosenLevelsOfChosenPupils(int index)
{
    std::vector<int> pupils = ChosenPupils();
    if (pupils.empty())
        pupils.push_back(TheSession.GraphPupil);
    std::vector<PrintOutcome> outcomes;
    for (const int pupil : pupils) {
        TheSession.GraphPupil = qint16(pupil);
        if (index == 0) {
            ShowChosenLevels(0);
            continue;
        }
        outcomes.push_back(Print());
        if (!outcomes.back().Ok)
            break;
    }
    if (index == 1)
        ReportPrinting(outcomes);
}

void GraphPanel::ShowChosenLevels(int index)
{
    if (index == 0)
        DrawOnScreen();
    else
        ReportPrinting({Print()});
}

void GraphPanel::DrawOnScreen()
{
    Place(this, 120, 1740, 15120, 9720);
    Target = TimeGraph::Surface::Screen;
    Surface->Clear();
    const std::vector<TimeGraph::Placement> plan = TimeGraph::Plan(ChosenLevels(), LevelCount);
    if (plan.empty() || !ReadRecords())
        return;
    // Each new page clears the picture: only the last page stays to be seen.
    Page.clear();
    for (const TimeGraph::Placement& p : plan)
        if (p.Page == plan.back().Page)
            Page.push_back(p);
    for (PageBand = 0; PageBand < Page.size(); ++PageBand) {
        TheSession.GraphLevel = qint16(Page[PageBand].Level);
        FindStanding(0);
        FindStanding(1);
        DrawBand();
    }
    emit BandsDrawn();
}

void GraphPanel::RebuildScreen()
{
    if (Target != TimeGraph::Surface::Screen || Page.empty() || Surface->Bands().empty())
        return;
    const TimeGraph::Inputs in = Inputs();
    const int pupil = Surface->Bands().front().Pupil;
    Surface->Clear();
    for (const TimeGraph::Placement& p : Page)
        Surface->AddBand(TimeGraph::Band(Records, p.Level, pupil, Standings[std::size_t(p.Level)], in,
                                         QSizeF(Surface->size()), p, TimeGraph::Surface::Screen));
}

void GraphPanel::FillRanking()
{
    const TimeGraph::Inputs in = Inputs();
    const int level = TheSession.GraphLevel;
    const int k = RankingIndex == 2 ? 2 : 1;
    Rankings[k] = k == 1 ? TimeGraph::TimeRanking(level, in) : TimeGraph::PointsRanking(level, in);
    RankingRows[std::size_t(k)]->setStringList(Rankings[k].Rows);
}

void GraphPanel::FindStanding(int index)
{
    const int level = TheSession.GraphLevel;
    if (!Limits::IsLevel(level))
        return;
    TimeGraph::Standing& standing = Standings[std::size_t(level)];
    RankingIndex = index == 1 ? 1 : 2;
    FillRanking();
    if (index == 1) {
        standing.TimeRank = TimeGraph::StandingIn(Rankings[1], {}, level, TheSession.GraphPupil, Inputs()).TimeRank;
    } else {
        const TimeGraph::Standing points = TimeGraph::StandingIn({}, Rankings[2], level, TheSession.GraphPupil, Inputs());
        standing.PointsRank = points.PointsRank;
        standing.AllTimePoints = points.AllTimePoints;
        standing.PupilsWithPoints = points.PupilsWithPoints;
        standing.PointsSum = points.PointsSum;
    }
}

void GraphPanel::DrawBand()
{
    TheSession.ResultView = 3;
    TheSession.ListPeriodDays = 3650;
    if (PageBand >= Page.size())
        return;
    const TimeGraph::Placement& where = Page[PageBand];
    const int level = TheSession.GraphLevel;
    if (Target == TimeGraph::Surface::Screen) {
        Surface->AddBand(TimeGraph::Band(Records, level, TheSession.GraphPupil, Standings[std::size_t(level)], Inputs(),
                                         QSizeF(Surface->size()), where, TimeGraph::Surface::Screen));
        raise();
        show();
    } else if (PrintPainter) {
        const GraphBand band = TimeGraph::Band(Records, level, TheSession.GraphPupil, Standings[std::size_t(level)], Inputs(),
                                               PaperSize, where, TimeGraph::Surface::Paper);
        GraphPainter::Paint(*PrintPainter, QRectF(QPointF(0, 0), PaperSize), band,
                            GraphPainter::PaperStyle(*PrintPainter->device()));
    }
}

GraphPanel::PrintOutcome GraphPanel::Print()
{
    PrintOutcome outcome;
    if (!Env.Printer) {
        outcome.Error = QStringLiteral("この機械では印刷できません（印刷先が設定されていません）。");
        return outcome;
    }
    const std::vector<TimeGraph::Placement> plan = TimeGraph::Plan(ChosenLevels(), LevelCount);
    if (plan.empty()) {
        outcome.Error = QStringLiteral("印刷するレベルを選んでください。");
        return outcome;
    }
    if (!ReadRecords()) {
        outcome.Error = QStringLiteral("成績ファイルを読めないため、印刷できませんでした。");
        return outcome;
    }
    const int pupil = TheSession.GraphPupil;
    SheetPrinter::Document doc;
    doc.PupilName = Limits::IsPupilSlot(pupil) ? RosterFile::TrimBlanks(TheSchool.Roster.PupilName[std::size_t(pupil)]) : QString();
    doc.Pupil = pupil;
    doc.Day = Env.TheClock->Today();
    doc.Title = TheSchool.ProgramTitle + QStringLiteral(" ") + doc.PupilName;
    QPagedPaintDevice* device = Env.Printer->Begin(doc, &outcome.Error);
    if (!device)
        return outcome;

    QPainter painter;
    bool painted = painter.begin(device);
    if (painted) {
        Target = TimeGraph::Surface::Paper;
        PrintPainter = &painter;
        PaperSize = QSizeF(device->width(), device->height());
        Page = plan;
        for (PageBand = 0; PageBand < Page.size(); ++PageBand) {
            if (PageBand > 0 && Page[PageBand].Page != Page[PageBand - 1].Page && !device->newPage()) {
                painted = false;
                break;
            }
            TheSession.GraphLevel = qint16(Page[PageBand].Level);
            FindStanding(0);
            FindStanding(1);
            DrawBand();
        }
        PrintPainter = nullptr;
        Target = TimeGraph::Surface::Screen;
        Page.clear();
        painted = painter.end() && painted;
    }
    outcome.Ok = Env.Printer->Finish(painted, &outcome.Where, &outcome.Error);
    if (!outcome.Ok && outcome.Error.isEmpty())
        outcome.Error = QStringLiteral("印刷できませんでした。");
    emit BandsDrawn();
    return outcome;
}

void GraphPanel::ReportPrinting(const std::vector<PrintOutcome>& outcomes)
{
    if (outcomes.empty())
        return;
    QStringList done;
    for (const PrintOutcome& o : outcomes)
        if (o.Ok)
            done << o.Where;
    const bool files = Env.Printer && Env.Printer->WritesFiles();
    QString text;
    if (!done.isEmpty())
        text = files ? QStringLiteral("プリンターがないため、PDFファイルに保存しました。\n") + done.join(u'\n')
                     : QStringLiteral("%1 に %2 部を印刷しました。").arg(done.first()).arg(done.size());
    if (!outcomes.back().Ok) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += outcomes.back().Error;
        QMessageBox::warning(this, TheSchool.ProgramTitle, text);
        return;
    }
    QMessageBox::information(this, TheSchool.ProgramTitle, text);
}
