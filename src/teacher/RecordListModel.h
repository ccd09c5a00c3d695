#pragma once
#include "teacher/RecordLines.h"
#include <QAbstractListModel>
#include <vector>

class ScoreFile;

// The record browser's list: every record of the score file but those of level 0, in file order,
// read once and kept small; each line is put together only when the view asks for it, so that a
// file of a hundred thousand records opens at once.
class RecordListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { RecordNumberRole = Qt::UserRole + 1 };

    explicit RecordListModel(QObject* parent = nullptr);

    // The names, grades and school the lines show; takes effect for the lines shown from now on.
    void SetTables(RecordLines::Tables tables);
    const RecordLines::Tables& LineTables() const { return Tables; }

    // Lists `records`, record n being records[n − 1].
    void SetRecords(const std::vector<ScoreRecord>& records);
    // Reads every whole record of `file` and lists them. A missing file is not made anew: it throws
    // FatalError with MissingScoreFile, as does any read that fails; the rows then stay as they were.
    void Load(const ScoreFile& file);

    // Every whole record the file held when it was read, those of level 0 included.
    qint64 TotalRecords() const { return Total; }
    const RecordLines::Entry& EntryAt(int row) const { return Entries[std::size_t(row)]; }
    qint32 RecordNumber(int row) const { return Entries[std::size_t(row)].Number; }
    // The row of record `number`; -1 when it is not listed.
    int RowOf(qint32 number) const;
    QString Line(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    RecordLines::Tables Tables;
    std::vector<RecordLines::Entry> Entries; // ascending record numbers
    qint64 Total = 0;
};
