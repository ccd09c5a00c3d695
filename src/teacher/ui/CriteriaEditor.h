#pragma once
#include "base/ui/ScaledForm.h"
#include "teacher/TimeDistribution.h"
#include <optional>

struct Environment;
struct School;

class CriteriaGrid;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;
class QStringListModel;
class QTableView;

// The teacher's pass-criteria editor: the criteria of every level in a grid, edited through one
// edit box laid over the current cell, with the help for the current column and, for the level of
// the current row, how the pupils' times have been spread so far. The grid and its keys live in
// CriteriaGrid, the spread in TimeDistribution; the screen shows them and passes on the keys.
class CriteriaEditor : public ScaledForm {
    Q_OBJECT
public:
    CriteriaEditor(School& school, Environment& env, QWidget* parent = nullptr);
    ~CriteriaEditor() override;

    // True once the grid and the spread are shown and the edit box takes keys.
    bool IsReady() const { return Ready; }

    void LoadGrid();          // "元に戻す": the grid from the file again; Changed stays
    // "更新記録": checks every cell, writes the file and reloads the criteria of every
    // screen. False, after telling the teacher, when nothing was saved.
    bool SaveGrid();
    void ShowDistribution();  // the spread of the current row's level
    void AskToSaveAndGoBack();    // "戻る": asks to save what was changed, then back to the menu

signals:
    // Back to the level menu: the teacher left, or the screen could not open (the teacher has
    // been told why). The screen flow shows the menu and closes this screen.
    void BackChosen();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Environment& Env;

    void BuildControls();
    // Loads the grid and the spread when the screen is first shown.
    void OpenScreen();
    void CannotOpen(const QString& message);
    // The edit box over the current cell, with the focus, the fill-down selection and the help of
    // the current column.
    void ShowCellEditor();
    void PlaceCellEditor();
    void GridToText();
    void OnEditKey(const QKeyEvent* event);
    void OnTyped(const QString& text);
    void OnCellPressed(const QModelIndex& index);
    void OnEditTextChanged(const QString& text);
    // Shows the spread of the current row's level; the failure's message when the score file
    // cannot be read.
    std::optional<QString> UpdateDistribution();
    // After a key: the spread again unless the score file has just failed to be read.
    void RefreshDistribution();
    void ShowWaitPanel(bool shown);
    int RequiredLevels() const;

    CriteriaGrid* Grid = nullptr;
    TimeDistribution Distribution;
    bool Ready = false;
    bool Opened = false;
    bool Leaving = false;
    bool SettingEditText = false;
    bool DistributionFailed = false;

    QLabel* HeadingLabel = nullptr;
    QPushButton* RestoreButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* BackButton = nullptr;
    QTableView* GridView = nullptr;        // MSFlexGrid1
    QLineEdit* EditBox = nullptr;          // Gridinputtext
    QLabel* ExplanationLabel = nullptr;
    QWidget* DistributionPanel = nullptr;
    QLabel* DistributionTitle = nullptr;
    QRadioButton* ShowCounts = nullptr;
    QRadioButton* HideCounts = nullptr;
    QPushButton* DistributionButton = nullptr;
    QListView* AllAttemptsList = nullptr;
    QStringListModel* AllAttempts = nullptr;
    QListView* BestTimesList = nullptr;
    QStringListModel* BestTimes = nullptr;
    QWidget* WaitPanel = nullptr;
};
