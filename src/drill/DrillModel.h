#pragma once
#include "drill/AttemptState.h"
#include "drill/FractionProblem.h"
#include "drill/LevelCatalogue.h"
#include "records/PassCriteria.h"
#include <QColor>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class Clock;
class RandomSource;
class SoundCues;
struct ResultTables;

// The drill without its widgets: problems, the cells as the pupil fills them, judging, hints,
// the header figures and the attempt clock. The screen shows what is here and calls in with keys
// and ticks; the model calls out through the callbacks. Sizes of the time bar are in twips.
// It writes the attempt's state into the AttemptState it was made with.
class DrillModel {
public:
    static constexpr int CellCount = FractionProblem::CellCount;
    static constexpr int ProblemsPerAttempt = 10;

    // Character codes and navigation key codes the handlers understand.
    enum Key { BackspaceKey = 8, SpaceKey = 32, PlusKey = 43, LeftKey = 37, UpKey = 38, RightKey = 39, DownKey = 40 };

    inline static const QColor GivenColour{255, 255, 192};
    inline static const QColor InputColour{128, 255, 128};
    inline static const QColor CursorColour{0, 192, 0};
    inline static const QColor WrongColour{255, 128, 128};
    inline static const QColor MirrorColour{255, 255, 255}; // cell 10

    // What the drill reads: who works on which level, and the tables it takes its figures from.
    struct Setting {
        int Level = 0;
        int Pupil = 0;
        QString PupilName;
        QString ProgramTitle;
        QString SchoolName;
        qint32 LoginTime = 0; // whole seconds since midnight
        const LevelCatalogue* Catalogue = nullptr;
        const CriteriaTable* Criteria = nullptr;
        const ResultTables* Results = nullptr;
    };

    explicit DrillModel(AttemptState& state);
    ~DrillModel();
    DrillModel(const DrillModel&) = delete;
    DrillModel& operator=(const DrillModel&) = delete;

    Setting In;
    AttemptState& State;
    Clock* TheClock = nullptr;
    RandomSource* Random = nullptr;
    SoundCues* Cues = nullptr; // none: silent

    // Screen activation, in this order.
    void SetUpAttempt();
    void SetProblemCount();
    void StartTiming();
    void MakeProblem();

    // Key press with a character code, key down with a navigation code.
    void KeyPress(int code);
    void KeyDown(int code);

    void Judge();
    void AfterJudgement();
    // The second "+" after a wrong answer.
    void Confirm();
    void ShowHint();

    // The one-second and the ten-second clocks.
    void Tick();
    void MinuteTick();

    static int GreatestCommonDivisor(int first, int second);
    // The number a cell's text begins with; 0 when it begins with none.
    static double NumericValue(const QString& text);
    static QString HintFor(int cell);

    // Problem and cells
    FractionProblem Problem;
    int CursorCell = 0;
    QString CurrentText;
    std::array<QString, 12> CellText;
    std::array<QColor, 12> CellColour;
    std::array<bool, 12> CellShown{};
    std::array<QString, 12> TwinText;
    std::array<bool, 12> TwinShown{};
    std::array<QString, 12> HintText;

    // Hint, guide lines 1–4 and the confirmation prompt
    QString HintLabelText = QStringLiteral("通分しなさい");
    bool HintShown = false;
    std::array<bool, 5> GuideLineShown{};
    bool ConfirmPromptShown = false;

    // Header
    QString Title;
    double TitlePointSize = 16.8;
    QString PupilText;
    QString LevelText;
    QString SchoolText;
    QString MinutesFigure;
    QString TodayFigure;
    QString ThisLevelFigure;
    QString RemainingFigure;
    QString SecondsFigure;

    // Time bar and markers 10–39 (Best, YourBest, Pass)
    double TrackWidth = 9000;
    double ElapsedBarWidth = 0;
    double TargetZoneWidth = 0;
    double LowestZoneWidth = 0;
    bool LowestZoneShown = true;
    std::array<bool, 40> MarkerShown{};
    // Reference times of the Best and YourBest rows; nothing assigns them.
    int BestReference = 0;
    int YourBestReference = 0;

    // Set by the screen.
    std::function<void()> EndAttempt;
    std::function<void()> StartClock;
    std::function<void()> StopClock;
    std::function<void()> ProcessEvents;
    std::function<void()> Changed;

private:
    int Level() const;
    const PassCriteria& LevelCriteria() const;
    void PlayCue(void (SoundCues::*cue)());
    bool HintsOn() const;
    int NextAsked(int from) const;
    int PreviousAsked(int from) const;
    int FirstAsked() const;
    void SetCellText(int cell, const QString& text);
    void Recolour();
    void Highlight();
    bool IsWrong(int cell) const;
    int DrawDigit();
    void ShowRemaining();
    QString MinutesSinceLogin() const;
    void Notify();
    // Calls a copy: the callback may destroy this model, and with it the original.
    static void Call(std::function<void()> f)
    {
        if (f)
            f();
    }

    // Cleared when the model is destroyed, so a callback that closes the screen cannot leave
    // a handler running on a deleted model.
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
};
