#include "menu/ui/GraphPanel.h"
#include "base/ui/ScaledForm.h"
#include "menu/ui/GraphPainter.h"
#include "menu/ui/GraphSurface.h"
#include "state/School.h"
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStringListModel>

namespace {
std::vector<int> SelectedRows(const QListView* list)
{
    std::vector<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

void SelectRows(QListView* list, const std::vector<int>& rows)
{
    list->clearSelection();
    for (const int row : rows)
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
}
} // namespace

GraphPanel::GraphPanel(School& school, ScaledForm* form, GraphPresenter& graph)
    : QWidget(form), TheSchool(school), Graph(graph), Form(form)
{
    setObjectName(QStringLiteral("Picture11"));
    setAutoFillBackground(true);
    Place(this, 120, 1740, 15120, 9720);

    Surface = new GraphSurface(form, this);
    Surface->setObjectName(QStringLiteral("Picture12"));
    Place(Surface, 0, 0, 11280, 9720);
    connect(Surface, &GraphSurface::Resized, this, [this] { Graph.ResizeScreen(QSizeF(Surface->size())); });

    LevelHeader = ScaledForm::NewLabel(this, QStringLiteral("Label27"), QStringLiteral("ﾚﾍﾞﾙ"), Qt::AlignCenter);
    Place(LevelHeader, 11400, 0, 900, 360, 10);
    Levels = new QStringListModel(this);
    LevelList = ScaledForm::NewList(this, QStringLiteral("List3"), Levels);
    LevelList->setSelectionMode(QAbstractItemView::MultiSelection);
    Place(LevelList, 11400, 390, 900, 4200, 11);
    connect(LevelList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (Selecting)
            return;
        Graph.ChooseLevelRows(SelectedRows(LevelList));
        if (isVisible())
            Graph.ShowChosenLevelsOfChosenPupils(TimeGraph::Surface::Screen);
    });

    const QString drawCaptions[2] = {QStringLiteral("表示"), QStringLiteral("印刷")};
    const TimeGraph::Surface outputs[2] = {TimeGraph::Surface::Screen, TimeGraph::Surface::Paper};
    for (int i = 0; i < 2; ++i) {
        DrawChosen[std::size_t(i)] = ScaledForm::NewButton(this, QStringLiteral("Command24_%1").arg(i), drawCaptions[i]);
        Place(DrawChosen[std::size_t(i)], 12420 + i * 1380, 390, 1260, 540, 11);
        const TimeGraph::Surface output = outputs[i];
        connect(DrawChosen[std::size_t(i)], &QPushButton::clicked, this,
                [this, output] { Graph.ShowChosenLevelsOfChosenPupils(output); });
    }
    DrawChosen[1]->hide();

    OtherPupilsButton = ScaledForm::NewButton(this, QStringLiteral("Command25"), QStringLiteral("他の人のデータを見る"));
    Place(OtherPupilsButton, 12420, 1050, 2640, 540, 10);
    connect(OtherPupilsButton, &QPushButton::clicked, this, [this] { Graph.ShowOtherPupils(); });

    Pupils = new QStandardItemModel(this);
    PupilList = ScaledForm::NewList(this, QStringLiteral("List2"), Pupils);
    PupilList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    PupilList->setToolTip(QStringLiteral("Ctrlキーを押しながらクリックすると、何人でも選べます"));
    Place(PupilList, 12420, 1050, 2640, 7800, 10);
    PupilList->hide();
    connect(PupilList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!Selecting)
            Graph.ChoosePupilRows(SelectedRows(PupilList));
    });
    connect(PupilList, &QListView::clicked, this,
            [this] { Graph.ShowChosenLevelsOfChosenPupils(TimeGraph::Surface::Screen); });

    BackButton = ScaledForm::NewButton(this, QStringLiteral("Command18"), QStringLiteral("戻る"));
    Place(BackButton, 12420, 9060, 2640, 600, 12);
    connect(BackButton, &QPushButton::clicked, this, [this] { Graph.Close(); });

    Graph.SetPaperPainter([](QPainter& painter, const QRectF& page, const GraphBand& band) {
        GraphPainter::Paint(painter, page, band, GraphPainter::PaperStyle(*painter.device()));
    });
    connect(&Graph, &GraphPresenter::Changed, this, &GraphPanel::Render);
    connect(&Graph, &GraphPresenter::PrintingReported, this, &GraphPanel::Report);
    Graph.ResizeScreen(QSizeF(Surface->size()));
    hide();
}

void GraphPanel::Place(QWidget* widget, int left, int top, int width, int height, double pointSize)
{
    Form->Place(widget, left, top, width, height, pointSize);
}

void GraphPanel::Open()
{
    Graph.ResizeScreen(QSizeF(Surface->size()));
    Graph.Open();
}

void GraphPanel::Render()
{
    Selecting = true;
    if (Graph.ListsVersion() != ListsShown) {
        ListsShown = Graph.ListsVersion();
        Levels->setStringList(Graph.LevelRows());
        Pupils->clear();
        for (const TimeGraph::PupilChoice& choice : Graph.PupilRows()) {
            auto* item = new QStandardItem(choice.Row);
            item->setEditable(false);
            Pupils->appendRow(item);
        }
    }
    if (Graph.ChoiceVersion() != ChoiceShown) {
        ChoiceShown = Graph.ChoiceVersion();
        SelectRows(PupilList, Graph.ChosenPupilRows());
        SelectRows(LevelList, Graph.ChosenLevelRows());
    }
    Selecting = false;

    OtherPupilsButton->setVisible(!Graph.OtherPupilsShown());
    PupilList->setVisible(Graph.OtherPupilsShown());
    DrawChosen[1]->setVisible(Graph.PrintAllowed());
    if (Graph.BandsVersion() != BandsShown) {
        BandsShown = Graph.BandsVersion();
        Surface->Clear();
        for (const GraphBand& band : Graph.Bands())
            Surface->AddBand(band);
    }
    if (Graph.IsOpen()) {
        if (Graph.RaiseVersion() != RaisedShown)
            raise();
        show();
    } else {
        hide();
    }
    RaisedShown = Graph.RaiseVersion();
}

void GraphPanel::Report(const QString& text, bool problem)
{
    if (problem)
        QMessageBox::warning(this, TheSchool.ProgramTitle, text);
    else
        QMessageBox::information(this, TheSchool.ProgramTitle, text);
}
