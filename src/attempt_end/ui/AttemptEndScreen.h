#pragma once
#include "base/ui/ScaledForm.h"

struct Environment;
struct School;
struct Session;

class AttemptEndBackground;
class FinalLevelPicture;
class QLabel;
class QPushButton;
class QTimer;

// The attempt end screen: the time and points of the attempt just recorded, a record message with
// its sound, whether the level is passed, and after a short pause the ways on: back to the level
// menu or another attempt on the same level.
class AttemptEndScreen : public ScaledForm {
    Q_OBJECT
public:
    AttemptEndScreen(School& school, Session& session, Environment& env, QWidget* parent = nullptr);

    // Rebuilds the result tables and shows the outcome; runs when the screen is first shown and
    // whenever it becomes the active window again.
    void ShowOutcome();

signals:
    // One run of ShowOutcome has finished (or stopped at a fatal error).
    void Activated();
    // "メニューへ": back to the level menu.
    void MenuChosen();
    // "もう一度": another attempt on the same level.
    void RetryChosen();
    // The score file could not be read; the program cannot go on.
    void FatalErrorRaised(const QString& message);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    void BuildControls();
    // The pause is over: the ways on.
    void OfferWaysOn();
    void OnMenuChosen();
    void OnRetryChosen();
    QLabel* AddLine(const char* name, int left, int top, int width, int height, double pointSize,
                    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

    bool Shown = false;
    bool HasRun = false;
    bool Running = false;
    bool LeftActive = false;

    AttemptEndBackground* Background = nullptr;
    QLabel* TitleLine = nullptr;
    QLabel* TodayTotalLine = nullptr;
    QLabel* RecordingNote = nullptr;
    QLabel* TodayLevelLine = nullptr;
    QLabel* LevelLine = nullptr;
    QLabel* PupilLine = nullptr;
    QLabel* TimeLine = nullptr;
    QLabel* PointsLine = nullptr;
    QLabel* MessageLine = nullptr;
    QLabel* PassLine = nullptr;
    FinalLevelPicture* FinalPicture = nullptr;
    QPushButton* MenuButton = nullptr;
    QPushButton* RetryButton = nullptr;
    QTimer* HalfSecondTimer = nullptr; // the pause before the buttons
};
