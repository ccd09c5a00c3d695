#pragma once
#include <QWidget>

struct Environment;
struct School;
struct Session;

class ScaledForm;

// The teacher's panel on the level menu ("データ処理"): the two maintenance screens, the class
// overview, the results saved for a spreadsheet, and the way back to the menu. While it stands no level starts.
class TeacherPanel : public QWidget {
    Q_OBJECT
public:
    // Made hidden, in its place on `form`.
    TeacherPanel(School& school, Session& session, Environment& env, ScaledForm* form);
    void Open();

signals:
    void RecordBrowserChosen();
    void CriteriaEditorChosen();
    void ClassOverviewChosen();

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    // Saves the result tables for a spreadsheet to a file the teacher chooses.
    void SaveResultsForSpreadsheet();
};
