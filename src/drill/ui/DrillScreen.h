#pragma once
#include "base/ui/ScaledForm.h"
#include "drill/DrillModel.h"
#include <array>

struct Environment;
struct School;
struct Session;

class GuideLine;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The drill screen: the header with who is working and how the time runs, the problem's cells,
// hints and the end overlay. It takes every key itself and hands it to DrillModel, its presenter,
// as the action the key stands for; it shows what the presenter computed.
class DrillScreen : public ScaledForm {
    Q_OBJECT
public:
    DrillScreen(School& school, Session& session, Environment& env, QWidget* parent = nullptr);

    DrillModel& Model() { return Drill; }

    // The end of the attempt: "時間切れ" after a time-out, else "成績記録中".
    void ShowEndOverlay(bool timedOut);
    // Stops the one-second clock.
    void StopClock();

    // The clocks' ticks (the timers call these).
    void OneSecondTick();
    void MinuteTick();

    // Runs the activation steps: setup, per-level setting, start and the first problem.
    void BeginAttempt();

signals:
    // The attempt is running: the screens it replaces may go.
    void AttemptStarted();
    // Ten problems solved, or the time ran out.
    void AttemptEnded();

public:
    // Twips of the time track inside the header strip.
    static constexpr int TrackWidth = 9000;
    static constexpr int HeaderHeight = 2400;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Session& TheSession;
    Environment& Env;

    void BuildControls();
    void Prepare();
    void Refresh();
    void PlaceWidth(QWidget* widget, int left, int top, double width, int height);

    DrillModel Drill;

    QWidget* HeaderStrip = nullptr;
    QWidget* ProblemArea = nullptr;
    QLabel* TitleLabel = nullptr;
    QLabel* PupilLabel = nullptr;
    QLabel* LevelLabel = nullptr;
    QLabel* SchoolLabel = nullptr;
    QLabel* MinutesLabel = nullptr;
    QLabel* TodayLabel = nullptr;
    QLabel* ThisLevelLabel = nullptr;
    QLabel* RemainingLabel = nullptr;
    QLabel* TimeCaption = nullptr;
    QLabel* SecondsLabel = nullptr;
    QFrame* TimeTrack = nullptr;
    QFrame* TargetZone = nullptr;
    QFrame* LowestZone = nullptr;
    QFrame* ElapsedBar = nullptr;
    std::array<QLabel*, 3> MarkerRowLabels{};
    std::array<QFrame*, 40> Markers{};

    QLabel* InstructionLabel = nullptr;
    std::array<QLabel*, 12> Cells{};
    std::array<QLabel*, 12> Twins{};
    std::array<QFrame*, 4> FractionBars{};
    QLabel* EqualsSign = nullptr;
    QLabel* HintLabel = nullptr;
    std::array<GuideLine*, 5> GuideLines{};
    QLabel* ConfirmPrompt = nullptr;
    QPushButton* ConfirmButton = nullptr;
    QLabel* KeyGuideLabel = nullptr;

    QFrame* EndOverlay = nullptr;
    QLabel* RecordingLabel = nullptr;
    QLabel* TimeUpLabel = nullptr;

    QTimer* OneSecondTimer = nullptr;
    QTimer* TenSecondTimer = nullptr; // the minutes since sign-in
    std::array<double, 3> PlacedWidths{-1, -1, -1};
};
