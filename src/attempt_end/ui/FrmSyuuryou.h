#pragma once
#include "shell/ui/ScaledForm.h"
#include <functional>

class AttemptEndBackground;
class FinalLevelPicture;
class QLabel;
class QPushButton;
class QTimer;

// The attempt end screen: the time and points of the attempt just recorded, a record message with
// its sound, whether the level is passed, and after a short pause the ways on: back to the level
// menu or another attempt on the same level.
class FrmSyuuryou : public ScaledForm {
    Q_OBJECT
public:
    explicit FrmSyuuryou(QWidget* parent = nullptr);

    // Starts the next attempt after "もう一度" (default: ScreenFlow::StartDrill).
    static std::function<void()> StartDrillHook;

    // Rebuilds the result tables and shows the outcome; runs when the screen is first shown and
    // whenever it becomes the active window again.
    void Form_Activate();
    void Timer1_Timer();
    void MenuButton_Click();
    void RetryButton_Click();

signals:
    // One run of Form_Activate has finished (or stopped at a fatal error).
    void Activated();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    QLabel* AddLine(const char* name, int left, int top, int width, int height, double pointSize,
                    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

    bool Shown = false;
    bool HasRun = false;
    bool Running = false;
    bool LeftActive = false;

    AttemptEndBackground* Background = nullptr;
    QLabel* TitleLine = nullptr;
    QLabel* TodayTotalLine = nullptr;
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
    QTimer* Timer1 = nullptr;
};
