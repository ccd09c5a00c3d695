#pragma once
#include <QWidget>

struct School;

class LevelMenuPresenter;
class ScaledForm;

// The teacher's panel on the level menu ("データ処理"): the two maintenance screens, the class
// overview, the results saved for a spreadsheet, and the way back to the menu. The menu opens and
// closes it; while it stands no level starts.
class TeacherPanel : public QWidget {
    Q_OBJECT
public:
    // Made hidden, in its place on `form`.
    TeacherPanel(School& school, ScaledForm* form, LevelMenuPresenter& menu);

signals:
    void RecordBrowserChosen();
    void CriteriaEditorChosen();
    void ClassOverviewChosen();
    // "戻る": back to the menu.
    void CloseChosen();

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    LevelMenuPresenter& Menu;

    // Saves the result tables for a spreadsheet to a file the teacher chooses.
    void SaveResultsForSpreadsheet();
};
