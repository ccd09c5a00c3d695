#include "menu/ui/LevelColumn.h"
#include "base/ui/ScaledForm.h"
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <initializer_list>

LevelColumn LevelColumn::Make(ScaledForm* form, int i)
{
    LevelColumn c;
    c.Number = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label1", i), QString(), Qt::AlignCenter);
    c.Number->setFrameShape(QFrame::Box);
    c.Name = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label3", i), QString(), Qt::AlignCenter);
    c.Name->setFrameShape(QFrame::Box);
    c.Start = ScaledForm::NewButton(form, ScaledForm::IndexedName("Command4", i), QString());
    c.Start->setToolTip(QStringLiteral("クリックしてスタートします。番号を押してもよろしい"));
    c.Mark = new QLineEdit(form);
    c.Mark->setObjectName(ScaledForm::IndexedName("Text1", i));
    c.Mark->setReadOnly(true);
    c.Mark->setAlignment(Qt::AlignCenter);
    c.Mark->setFocusPolicy(Qt::NoFocus);
    c.Mark->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0); background: rgb(255, 255, 230);"));
    c.Mark->hide();
    c.TodayHeader = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label9", i), QString(), Qt::AlignCenter);
    c.AllTimeHeader = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label10", i), QString(), Qt::AlignCenter);
    c.TodayTotals = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label14", i), QString(), Qt::AlignCenter);
    c.AllTimeTotals = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label15", i), QString(), Qt::AlignCenter);
    c.JudgeWindow = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label8", i), QString(), Qt::AlignCenter);
    c.Rows = new QStringListModel(form);
    c.List = new QListView(form);
    c.List->setObjectName(ScaledForm::IndexedName("List5", i));
    c.List->setModel(c.Rows);
    c.List->setFont(ScaledForm::FixedFont());
    c.List->setUniformItemSizes(true);
    c.List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.List->setFocusPolicy(Qt::NoFocus);
    c.Targets = ScaledForm::NewLabel(form, ScaledForm::IndexedName("Label7", i), QString(), Qt::AlignCenter);
    return c;
}

void LevelColumn::Place(ScaledForm* form, int left, int top, int inner) const
{
    form->Place(Number, left, top, inner / 5, 600, 16);
    form->Place(Name, left + inner / 5, top, inner - inner / 5, 600, 16);
    form->Place(Start, left, top + 660, inner, 660, 16);
    form->Place(Mark, left, top + 660, inner, 660, 16);
    form->Place(TodayHeader, left, top + 1380, inner / 2, 330, 10);
    form->Place(AllTimeHeader, left + inner / 2, top + 1380, inner - inner / 2, 330, 10);
    form->Place(TodayTotals, left, top + 1710, inner / 2, 390, 11);
    form->Place(AllTimeTotals, left + inner / 2, top + 1710, inner - inner / 2, 390, 11);
    form->Place(JudgeWindow, left, top + 2130, inner, 390, 11);
    form->Place(List, left, top + 2580, inner, ScaledForm::DesignHeight - top - 2580 - 510, 11);
    form->Place(Targets, left, ScaledForm::DesignHeight - 480, inner, 390, 10);
}

void LevelColumn::Render(const LevelMenuPresenter::Column& column, bool raiseMark)
{
    Number->setText(column.Number);
    Name->setText(column.Name);
    Name->setToolTip(column.Name);
    Start->setText(column.StartCaption);
    Start->setEnabled(column.StartEnabled);
    if (column.Barred) {
        if (Mark->text() != column.MarkText)
            Mark->setText(column.MarkText);
        if (raiseMark)
            Mark->raise();
        Mark->show();
    } else {
        Mark->hide();
    }
    TodayHeader->setText(column.TodayHeader);
    AllTimeHeader->setText(column.AllTimeHeader);
    TodayTotals->setText(column.TodayTotals);
    AllTimeTotals->setText(column.AllTimeTotals);
    JudgeWindow->setText(column.JudgeWindow);
    Targets->setText(column.Targets);
    for (QWidget* w : std::initializer_list<QWidget*>{Targets, JudgeWindow, TodayTotals, AllTimeTotals, TodayHeader,
                                                     AllTimeHeader})
        w->setVisible(column.ResultsShown);
    if (RowsShown != column.RowsVersion) {
        RowsShown = column.RowsVersion;
        Rows->setStringList(column.Rows);
        if (column.RowInView >= 0 && column.RowInView < Rows->rowCount()) {
            const QModelIndex row = Rows->index(column.RowInView);
            List->setCurrentIndex(row);
            List->scrollTo(row, QAbstractItemView::PositionAtCenter);
            List->clearSelection();
        }
    }
    List->setVisible(column.ListShown);
}
