#pragma once
#include "records/PassCriteria.h"
#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// The pass-criteria table as the criteria editor's grid: column 0 the level, columns 1–12 the
// twelve fields of "タイム回数データ.txt" as text, rows 1 … LastRow the levels (the header row is
// the view's header). It follows the edit box laid over the current cell: what the box shows is
// always the current cell's text, every key typed into it comes here, and edited cells are marked
// until the grid is loaded again. Before the file is written every cell is checked against what the
// criteria reader accepts, so that a save can never stop the classroom's machines at start-up.
class CriteriaGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = 13;
    static constexpr int FirstField = 1;
    static constexpr int LastField = 12;

    // The keys the edit box passes on. Character carries the typed text.
    enum class EditKey { Escape, Enter, Up, Down, ShiftDown, Left, Right, Space, Backspace, Character, Other };

    // A cell the criteria reader would refuse or misread.
    struct CellProblem {
        int Row = 0;
        int Column = 0;
        QString Message;  // names the level, the column and what is wrong
    };

    explicit CriteriaGrid(QObject* parent = nullptr);

    // The header of grid column 0–12: "レベル", the nine field names, three empty.
    static QString Header(int column);
    // The help shown while the edit box stands in `column`: title, line break, explanation.
    static QString Explanation(int column);

    // Rebuilds the grid from the criteria file of `dataFolder` (ending with "/"), one row a level,
    // after the criteria reader has accepted the file with `requiredLevels`. Numbers are shown in
    // plain decimal form. Throws FatalError naming the file when it is missing or damaged; the grid
    // then stays as it was. Clears the marks, keeps Changed and the current cell where it can.
    void LoadGrid(const QString& dataFolder, int requiredLevels);

    int LastRow() const { return int(Cells.size()) - 1; }
    int Row() const { return CurrentRow; }
    int Column() const { return CurrentColumn; }
    // The last row of the fill-down selection (Row() when nothing is extended).
    int SelectionEnd() const { return SelectedTo; }
    // Column 0 holds the level number; rows and columns outside the grid are empty.
    QString Cell(int row, int column) const;
    bool IsEdited(int row, int column) const;
    bool Changed() const { return IsChanged; }

    // TextToGrid転送: the edit box's text into the current cell, marking the cell and setting
    // Changed when it differs.
    void TextToGrid(const QString& editText);
    // GridToText転送: what the edit box shows.
    QString GridToText() const { return Cell(CurrentRow, CurrentColumn); }
    // A click on a cell: makes it current (column 0 keeps the current column).
    void SetCurrent(int row, int column);
    // A key in the edit box; `typed` with Character. Returns true when the current cell moved.
    bool PressKey(EditKey key, const QString& typed = QString());

    // The first cell the criteria reader would refuse or misread, row by row.
    std::optional<CellProblem> Check(int requiredLevels) const;
    // The file as it is written: the header row, then every level; columns 1–11 each followed by
    // ",", then column 12 and CR LF; CP932.
    QByteArray FileBytes() const;
    // SaveGrid: checks every cell, replaces the criteria file of `dataFolder` in one step and reloads
    // `criteria` from it as start-up does. Returns nothing when all that was done, else the message
    // to show: a refused cell (made current; nothing written) or a failure naming the file (the old
    // file stays whole; `criteria` stays as it was).
    std::optional<QString> SaveGrid(const QString& dataFolder, int requiredLevels, CriteriaTable& criteria);

    // The model the grid view shows: model row r is grid row r + 1.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    using RowCells = std::array<QString, Columns>;
    using RowMarks = std::array<bool, Columns>;
    // Stores `text` in a cell, marking it when it differs.
    void Store(int row, int column, const QString& text);
    void Move(int row, int column);

    std::vector<RowCells> Cells = std::vector<RowCells>(1);  // row 0 unused
    std::vector<RowMarks> Marks = std::vector<RowMarks>(1);
    int CurrentRow = 1;
    int CurrentColumn = 1;
    int SelectedTo = 1;
    bool IsChanged = false;
};
