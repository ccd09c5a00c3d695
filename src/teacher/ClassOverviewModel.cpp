#include "teacher/ClassOverviewModel.h"
#include <algorithm>
#include <limits>

void ClassOverviewModel::SetTable(ClassOverview::Table table)
{
    beginResetModel();
    Data = std::move(table);
    Headings = ClassOverview::Headings(Data);
    SummaryTexts = ClassOverview::SummaryTexts(Data);
    endResetModel();
}

int ClassOverviewModel::PupilAt(int row) const
{
    return row >= 0 && row < int(Data.Rows.size()) ? Data.Rows[std::size_t(row)].Pupil : 0;
}

int ClassOverviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(Data.Rows.size()) + 1;
}

int ClassOverviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(Headings.size());
}

QVariant ClassOverviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() > int(Data.Rows.size()) || index.column() >= int(Headings.size()))
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        if (index.row() == int(Data.Rows.size()))
            return SummaryTexts.value(index.column());
        return ClassOverview::CellText(Data.Rows[std::size_t(index.row())], index.column());
    }
    if (role == Qt::TextAlignmentRole)
        return index.column() == 1 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant ClassOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QString(Headings.value(section)).replace(u' ', u'\n'); // the level over what the column holds
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
        return Headings.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

qint64 ClassOverviewModel::NumberKey(const ClassOverview::Row& row, int column) const
{
    constexpr qint64 None = std::numeric_limits<qint64>::max();
    if (column == 0)
        return row.Pupil;
    const int levelColumns = 4 * Data.LevelCount;
    const int c = column - 2;
    if (c >= 0 && c < levelColumns) {
        const ClassOverview::Cell& cell = row.Levels[std::size_t(c / 4)];
        switch (c % 4) {
        case 0: return cell.Attempts;
        case 1: return cell.Best >= Limits::NoTime ? None : cell.Best;
        case 2: return cell.Points;
        default: return qint64(cell.Reached) * 2 + (cell.Barred ? 1 : 0); // 禁 next to the same progress
        }
    }
    return c == levelColumns ? row.Attempts : row.Points;
}

void ClassOverviewModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= int(Headings.size()))
        return;
    emit layoutAboutToBeChanged();
    std::stable_sort(Data.Rows.begin(), Data.Rows.end(), [&](const ClassOverview::Row& a, const ClassOverview::Row& b) {
        if (column == 1) {
            const int c = QString::localeAwareCompare(a.Name, b.Name);
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        }
        const qint64 ka = NumberKey(a, column);
        const qint64 kb = NumberKey(b, column);
        // Ties keep the pupils' numbers in order.
        if (ka == kb)
            return a.Pupil < b.Pupil;
        return order == Qt::AscendingOrder ? ka < kb : ka > kb;
    });
    emit layoutChanged();
}
