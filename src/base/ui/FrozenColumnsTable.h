#pragma once
#include <QTableView>

// A table whose first columns stay in view when it scrolls sideways, as a name column of a wide
// table should: a second view over the same model and selection lies over the left edge.
class FrozenColumnsTable : public QTableView {
    Q_OBJECT
public:
    explicit FrozenColumnsTable(int frozenColumns, QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;
    QTableView* Frozen() const { return Overlay; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    void UpdateOverlay();
    int FrozenWidth() const;
    int Columns;
    QTableView* Overlay;
};
