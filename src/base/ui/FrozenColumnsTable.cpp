#include "base/ui/FrozenColumnsTable.h"
#include <QHeaderView>
#include <QScrollBar>

FrozenColumnsTable::FrozenColumnsTable(int frozenColumns, QWidget* parent)
    : QTableView(parent), Columns(frozenColumns), Overlay(new QTableView(this))
{
    Overlay->setObjectName(QStringLiteral("FrozenColumns"));
    Overlay->setFocusPolicy(Qt::NoFocus);
    Overlay->verticalHeader()->hide();
    Overlay->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Overlay->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Overlay->setVerticalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    viewport()->stackUnder(Overlay);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < Columns) {
            Overlay->setColumnWidth(column, size);
            UpdateOverlay();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { Overlay->setRowHeight(row, size); });
    connect(Overlay->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(), &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, Overlay->verticalScrollBar(), &QAbstractSlider::setValue);
    // Sorting from either header sorts the one model.
    connect(Overlay->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        const Qt::SortOrder order = horizontalHeader()->sortIndicatorSection() == column
                                            && horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder
                                        ? Qt::DescendingOrder
                                        : Qt::AscendingOrder;
        sortByColumn(column, order);
    });
}

void FrozenColumnsTable::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    Overlay->setModel(model);
    Overlay->setSelectionModel(selectionModel());
    Overlay->setFont(font());
    for (int c = 0; c < model->columnCount(); ++c)
        Overlay->setColumnHidden(c, c >= Columns);
    connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
        for (int c = 0; c < model->columnCount(); ++c)
            Overlay->setColumnHidden(c, c >= Columns);
        UpdateOverlay();
    });
    UpdateOverlay();
}

int FrozenColumnsTable::FrozenWidth() const
{
    int width = 0;
    for (int c = 0; c < Columns; ++c)
        width += columnWidth(c);
    return width;
}

void FrozenColumnsTable::UpdateOverlay()
{
    Overlay->setFont(font());
    Overlay->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    for (int c = 0; c < Columns; ++c)
        Overlay->setColumnWidth(c, columnWidth(c));
    Overlay->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), FrozenWidth(),
                         viewport()->height() + horizontalHeader()->height());
    Overlay->verticalScrollBar()->setValue(verticalScrollBar()->value());
    Overlay->show();
    Overlay->raise();
}

void FrozenColumnsTable::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    UpdateOverlay();
}

QModelIndex FrozenColumnsTable::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    // Moving left must not leave the cell under the frozen columns.
    if (cursorAction == MoveLeft && current.column() >= Columns
        && visualRect(current).topLeft().x() < FrozenWidth()) {
        const int value = horizontalScrollBar()->value() + visualRect(current).topLeft().x() - FrozenWidth();
        horizontalScrollBar()->setValue(value);
    }
    return current;
}

void FrozenColumnsTable::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (index.column() >= Columns)
        QTableView::scrollTo(index, hint);
}
