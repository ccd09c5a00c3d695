#pragma once
#include "teacher/ClassOverview.h"
#include <QAbstractTableModel>

// The class overview as a table for a view: the pupils' rows in the order chosen, the class's row
// always last. Sorting by any column keeps numbers in numeric order; a pupil without a best time
// sorts as the slowest; marks go from not started through started to passed, 禁 after each.
class ClassOverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetTable(ClassOverview::Table table);
    const ClassOverview::Table& Table() const { return Data; }
    // The pupil of a row; 0 for the class's row.
    int PupilAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // What a column sorts by: a number, or for the name the text.
    qint64 NumberKey(const ClassOverview::Row& row, int column) const;
    ClassOverview::Table Data;
    QStringList Headings;
    QStringList SummaryTexts;
};
