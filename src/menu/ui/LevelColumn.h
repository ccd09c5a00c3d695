#pragma once
#include "menu/LevelMenuPresenter.h"
#include <QtGlobal>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;
class ScaledForm;

// One level's column on the level menu, top to bottom: its number and name, the start button (or
// the bar mark in its place), the headings and totals of today and of all time, the judgement
// window, the result list and the targets.
struct LevelColumn {
    QLabel* Number = nullptr;
    QLabel* Name = nullptr;
    QPushButton* Start = nullptr;
    QLineEdit* Mark = nullptr;
    QLabel* TodayHeader = nullptr;
    QLabel* AllTimeHeader = nullptr;
    QLabel* TodayTotals = nullptr;
    QLabel* AllTimeTotals = nullptr;
    QLabel* JudgeWindow = nullptr;
    QListView* List = nullptr;
    QStringListModel* Rows = nullptr;
    QLabel* Targets = nullptr;
    // The set of rows the list holds.
    quint64 RowsShown = 0;

    // The widgets of level `level` on `form`, not yet placed.
    static LevelColumn Make(ScaledForm* form, int level);
    // Places the column at `left` (twips), `inner` wide, its top at `top`.
    void Place(ScaledForm* form, int left, int top, int inner) const;
    // Shows `column`; the mark comes to the front when `raiseMark`.
    void Render(const LevelMenuPresenter::Column& column, bool raiseMark);
};
