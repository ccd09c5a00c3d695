#pragma once
#include "base/ui/ScaledForm.h"
#include "records/ScoreRecord.h"
#include <memory>

struct Environment;
struct School;

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QScrollBar;
class RecordListModel;
class SheetPrinter;
struct RosterTables;

// The teacher's record browser: every record of the score file with its real record number, in
// file order. A double-clicked record can have its pupil or its time corrected, or be deleted;
// the list, or its selected lines, can be printed.
class RecordBrowser : public ScaledForm {
    Q_OBJECT
public:
    RecordBrowser(School& school, Environment& env, QWidget* parent = nullptr);
    ~RecordBrowser() override;

    // Where "印刷" sends the lines (not owned). Without one, the system's print dialog chooses the
    // printer; a machine without a printer gets a PDF file in the documents folder.
    void SetPrinter(SheetPrinter* printer);

    // Reads the roster into the name and grade tables and the pupil chooser, then builds the list.
    // Runs when the screen is first shown. False when the roster or the score file cannot be read:
    // the teacher is told and BackChosen follows.
    bool Prepare();
    // Rebuilds the list and the record counter from the file. False, after telling the
    // teacher, when the file cannot be read; BackChosen follows.
    bool BuildRecordList();
    // Reads the roster into the name and grade tables and the pupil chooser. False, after telling
    // the teacher and closing, when it cannot be read.
    bool ReadRoster();

    // The record being edited, 0 before a record is loaded and after it was deleted.
    qint32 SelectedRecord() const { return EditedNumber; }

signals:
    // "戻る", or the screen could not open: back to the level menu, which closes this screen.
    void BackChosen();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Environment& Env;

    void BuildControls();
    // Loads the record of list row `row` into the edit fields (double-click).
    void LoadRecord(int row);
    // The record being edited in the edit fields.
    void ShowEditedRecord();
    void ShowPupilGrade();     // a pupil chosen
    void OnSecondsScrolled(int value);
    void OnSecondsTyped(const QString& text);
    void SaveRecord();
    void DeleteRecord();
    // "元に戻す…": the file's content taken back to a backup the teacher chooses.
    void RestoreBackup();
    void PrintList();
    void GoBack();
    void SelectRow(int row);
    void EndEditing();
    // Tells the teacher `message`; the list is built again from the file.
    void ReportFailure(const QString& message);
    // Tells the teacher why the screen cannot go on, then goes back to the menu.
    void CloseWith(const QString& message);

    std::unique_ptr<RosterTables> Roster;
    RecordListModel* Records = nullptr;
    SheetPrinter* Printer = nullptr;
    std::unique_ptr<SheetPrinter> OwnPrinter;
    bool Loaded = false;
    bool Closing = false;

    qint32 EditedNumber = 0;
    ScoreRecord EditedRecord; // as read from the file

    QLabel* CountLabel = nullptr;        // the record counter
    QComboBox* DateFilter = nullptr;     // "すべて" only
    QPushButton* RebuildButton = nullptr;
    QListView* RecordList = nullptr;
    QWidget* EditPanel = nullptr;        // the edit fields
    QLabel* NumberLabel = nullptr;
    QLabel* LevelLabel = nullptr;
    QLabel* DateLabel = nullptr;
    QLabel* GradeLabel = nullptr;
    QComboBox* PupilChooser = nullptr;
    QLineEdit* SecondsText = nullptr;
    QScrollBar* SecondsBar = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* PrintButton = nullptr;
    QPushButton* RestoreButton = nullptr;
};
