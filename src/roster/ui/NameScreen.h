#pragma once
#include "base/ui/ScaledForm.h"
#include "roster/NameList.h"
#include "roster/SignIn.h"
#include <QStringList>

struct Environment;
struct School;
struct Session;

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

// The name selection screen: the pupils of the chosen grades with two totals each; the pupil
// confirms his or her name and goes on to the level menu, or leaves for the school's program menu.
class NameScreen : public ScaledForm {
    Q_OBJECT
public:
    NameScreen(School& school, Session& session, Environment& env, QWidget* parent = nullptr);

    // Rebuilds the result tables, the roster tables and the lists.
    void ShowNames();

    // A warning that this PC cannot record attempts safely, in a box titled "注意" that waits for
    // the pupil or teacher to close it.
    void ShowShareWarning(const QString& message);

    // How many attempts of this PC wait for the share; nothing is shown for none.
    void ShowPendingAttempts(int count);

    // The program menu started on leaving, and its arguments.
    QString ProgramMenuPath() const;
    QStringList ProgramMenuArguments() const;

    int NameListMode = 0;
    // For list row r ≥ 1, at r − 1: the row's text through "*" and the pupil number.
    QStringList PupilRowTexts;

signals:
    // The chosen pupil is signed in (the shared state knows the pupil and the sign-in time).
    void PupilSignedIn();
    // The pupil left for the school's program menu; the program ends.
    void LeaveRequested();
    // The title was clicked: the version dialog.
    void VersionRequested();
    // The score file could not be read; the program cannot go on.
    void FatalErrorRaised(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    void BuildControls();
    void Prepare();
    void Refresh();
    void OnTotalsChosen(int mode);
    void OnGradeChosen();
    void OnRowClicked();
    void OnRowDoubleClicked();
    void ConfirmSignIn();
    void LeaveForProgramMenu();
    // Form-wide keys, seen before the control that has the focus. True when handled.
    bool HandleFormKey(QKeyEvent* event);
    // Shows a warning and waits for the pupil to close it.
    void ShowMessage(const QString& message);

    NameList Rows;
    SignIn Choice;
    bool MissingReported = false;
    bool Activated = false;
    bool WasInactive = false;

    QLabel* TitleLabel = nullptr;
    QLabel* ChosenNameLabel = nullptr;
    QListWidget* NameListBox = nullptr;
    QComboBox* GradeSelector = nullptr;
    QWidget* TotalsStrip = nullptr;
    QRadioButton* TotalsChoice[NameList::ModeCount] = {};
    QPushButton* OkButton = nullptr;
    QPushButton* ProgramMenuButton = nullptr;
    QLabel* WaitPanel = nullptr;
    QLabel* DevelopmentMark = nullptr;
    QLabel* PendingLabel = nullptr;
};
