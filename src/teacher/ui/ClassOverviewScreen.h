#pragma once
#include "base/ui/ScaledForm.h"
#include "teacher/ClassOverview.h"
#include <memory>

struct Environment;
struct School;
struct Session;

class ClassOverviewModel;
class FrozenColumnsTable;
class QComboBox;
class QLabel;
class QPushButton;
struct RosterTables;

// The teacher's class overview (学級一覧): every pupil the grade selector passes, a group of columns
// per level, sortable by any column with the number and name kept in view, what the marks mean
// above it; printed on A4 landscape or saved for a spreadsheet.
class ClassOverviewScreen : public ScaledForm {
    Q_OBJECT
public:
    // `gradeFilter`: the level menu's grade selector when the teacher opened the overview.
    ClassOverviewScreen(School& school, Session& session, Environment& env, const QString& gradeFilter, QWidget* parent = nullptr);
    ~ClassOverviewScreen() override;

    // Reads the roster, the result tables and the last records, and shows the table for the
    // chosen period and grades. False, after telling the teacher, when they cannot be read; then
    // BackChosen follows.
    bool Rebuild();
    const ClassOverview::Table& Shown() const;
    ClassOverviewModel* Model() const { return Table; }

signals:
    // "戻る", or the overview could not be made: back to the level menu.
    void BackChosen();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    void BuildControls();
    ClassOverview::Period ChosenPeriod() const;
    void Print();
    void SaveCsv();
    void CloseWith(const QString& message);

    std::unique_ptr<RosterTables> Roster;
    ClassOverviewModel* Table = nullptr;
    QLabel* HeadingLabel = nullptr;
    QComboBox* PeriodSelector = nullptr;
    QComboBox* GradeSelector = nullptr;
    FrozenColumnsTable* View = nullptr;
    bool Loaded = false;
    bool Closing = false;
};
