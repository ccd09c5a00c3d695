#pragma once
#include "roster/NameList.h"
#include "shell/ui/ScaledForm.h"
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

// The name selection screen: the pupils of the chosen grades with two totals each; the pupil
// confirms his or her name and goes on to the level menu, or leaves for the school's program menu.
class namesel : public ScaledForm {
    Q_OBJECT
public:
    explicit namesel(QWidget* parent = nullptr);

    // Rebuilds the roster tables and the lists.
    void 名簿表示();

    // Every message of the screen goes through here (default: a message box).
    static std::function<void(const QString&)> MessageHook;
    // Opens the level menu after a pupil confirms (default: ScreenFlow::BuildLevelCatalogue).
    static std::function<void()> LevelCatalogueHook;
    // Ends the program after the pupil leaves (default: closes every window and quits).
    static std::function<void()> EndProgramHook;

    // The program menu started on leaving, and its arguments.
    static QString ProgramMenuPath();
    static QStringList ProgramMenuArguments();

    int NameListMode = 0;
    // List3: for List1 row r ≥ 1, at r − 1, the row's text through "*" and the pupil number.
    QStringList List3;

    void Option1_Click(int index);
    void Combo1_Click();
    void List1_Click();
    void List1_DblClick();
    void Command14_Click();
    void Command7_Click();
    void Label4_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void Form_Load();
    void Form_Activate();
    // Form-wide keys, seen before the control that has the focus. True when handled.
    bool Form_KeyPress(QKeyEvent* event);
    void ShowMessage(const QString& message);

    NameList Rows;
    bool MissingReported = false;

    QLabel* Label4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* List1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QWidget* OptionStrip = nullptr;
    QRadioButton* Option1[4] = {};
    QPushButton* Command14 = nullptr;
    QPushButton* Command7 = nullptr;
    QLabel* Picture5 = nullptr;
    QLabel* Picture8 = nullptr;
};
