#include "teacher/RecordListModel.h"
#include "base/FatalError.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include <QFileInfo>
#include <algorithm>
#include <limits>

RecordListModel::RecordListModel(QObject* parent) : QAbstractListModel(parent) {}

void RecordListModel::SetTables(RecordLines::Tables tables)
{
    Tables = std::move(tables);
    if (!Entries.empty())
        emit dataChanged(index(0), index(int(Entries.size()) - 1), {Qt::DisplayRole});
}

void RecordListModel::SetRecords(const std::vector<ScoreRecord>& records)
{
    // Sized exactly: a hundred thousand entries are a few megabytes, and the old rows go first.
    const auto listed = std::count_if(records.begin(), records.end(), RecordLines::Listed);
    beginResetModel();
    Entries.clear();
    Entries.shrink_to_fit();
    Entries.reserve(std::size_t(listed));
    for (std::size_t i = 0; i < records.size(); ++i)
        if (RecordLines::Listed(records[i]))
            Entries.push_back(RecordLines::MakeEntry(qint32(i + 1), records[i], Tables.SchoolCode));
    Total = qint64(records.size());
    endResetModel();
}

void RecordListModel::Load(const ScoreFile& file)
{
    // Reading would make an empty file in place of a lost one, and the list would claim there are
    // no records.
    if (!QFileInfo::exists(file.Path()))
        throw FatalError(RecordLines::MissingScoreFile(file.Path()));
    // Raw bytes, each record made only for its entry: a hundred thousand ScoreRecords at once
    // would hold their texts on the heap for nothing.
    const std::vector<char> bytes = file.ReadLastRecordBytes(std::numeric_limits<qint64>::max());
    const std::size_t count = bytes.size() / ScoreRecordCodec::Size;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < count; ++i)
        listed += RecordLines::Listed(ScoreRecordCodec::Decode(bytes.data() + i * ScoreRecordCodec::Size)) ? 1 : 0;
    beginResetModel();
    Entries.clear();
    Entries.shrink_to_fit();
    Entries.reserve(listed);
    for (std::size_t i = 0; i < count; ++i) {
        const ScoreRecord r = ScoreRecordCodec::Decode(bytes.data() + i * ScoreRecordCodec::Size);
        if (RecordLines::Listed(r))
            Entries.push_back(RecordLines::MakeEntry(qint32(i + 1), r, Tables.SchoolCode));
    }
    Total = qint64(count);
    endResetModel();
}

int RecordListModel::RowOf(qint32 number) const
{
    const auto found = std::lower_bound(Entries.begin(), Entries.end(), number,
                                        [](const RecordLines::Entry& e, qint32 n) { return e.Number < n; });
    return found != Entries.end() && found->Number == number ? int(found - Entries.begin()) : -1;
}

QString RecordListModel::Line(int row) const { return RecordLines::Line(Entries[std::size_t(row)], Tables); }

int RecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(Entries.size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || std::size_t(index.row()) >= Entries.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Line(index.row());
    case RecordNumberRole:
        return RecordNumber(index.row());
    default:
        return {};
    }
}
