#pragma once
#include "drill/AnswerCells.h"
#include "drill/AttemptState.h"
#include "drill/Direction.h"
#include "drill/LevelCatalogue.h"
#include "drill/TimeBar.h"
#include "drill/Verdict.h"
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

// The drill screen's presenter: it draws the problems, takes what the pupil does as named actions,
// judges, and computes every text, colour and shown flag of the screen, which renders them when
// told that something changed. The answer cells and the time bar keep their own state; the
// attempt's state shared with the rest of the program is written into the AttemptState it was
// made with. It calls out through the callbacks.
class DrillModel {
public:
    static constexpr int CellCount = AnswerCells::Count;
    static constexpr int ProblemsPerAttempt = 10;

    inline static const QColor GivenColour{255, 255, 192};
    inline static const QColor InputColour{128, 255, 128};
    inline static const QColor CursorColour{0, 192, 0};
    inline static const QColor WrongColour{255, 128, 128};
    inline static const QColor MirrorColour{255, 255, 255}; // cell 10
    // The digits: light on the dark cursor colour, dark elsewhere.
    inline static const QColor DigitColour{40, 70, 40};
    inline static const QColor CursorDigitColour{255, 255, 255};

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

    // The screen's activation. The attempt begins when the screen is first shown, and again each
    // time the pupil comes back to it after it lost the front; never once it is ending.
    bool BeginsWhenShown() const { return !Activated; }
    void FrontLost() { WasInactive = Activated; }
    bool BeginsOnReturn() const { return WasInactive; }
    // False when the attempt is ending; otherwise the screen counts as active from now on, and
    // Begin is to follow.
    bool Activate();
    // Runs the four steps below, in this order.
    void Begin();
    void SetUpAttempt();
    void SetProblemCount();
    void StartTiming();
    // A new problem, unless the attempt has ended or an answer is being judged.
    void MakeProblem();

    // What the pupil does. Type, Erase, Accept and Acknowledge do nothing once the attempt has
    // ended or while an answer is being judged, and after a wrong answer the first three start the
    // two "+" over; the others work at any time. Type and Acknowledge sound the warning on a full
    // cursor cell, Accept on a full cell it moves to.

    // A character into the cursor cell; digits and * - . / , are taken, any other is dropped.
    void Type(QChar character);
    // Takes back the last character of the cursor cell (backspace).
    void Erase();
    // Done with the cursor cell (space): on to the next asked cell, or on the last one the
    // problem is judged.
    void Accept();
    // "+": after a wrong answer, the second one brings the next problem.
    void Acknowledge();
    // The cursor to the previous or next asked cell (arrows).
    void Move(Direction direction);
    // Empties the cursor cell (down arrow).
    void ClearCell();
    // Empties every asked cell and goes back to the first (up arrow).
    void ClearAll();
    // A character key's text as the keyboard or an input method delivered it: its first
    // character counts, full-width forms as their ASCII ones; a space, backspace or "+" does what
    // its key does, another ASCII character is typed, anything else is dropped.
    void TypeText(const QString& text);

    // The one-second and the ten-second clocks.
    void Tick();
    void MinuteTick();

    // The problem and its cells
    const FractionProblem& Problem() const { return Cells.Problem(); }
    int CursorCell() const { return Cells.Cursor(); }
    const QString& CurrentText() const { return Cells.CurrentText(); }
    const QString& CellText(int cell) const { return Cells.Text(cell); }
    QColor CellColour(int cell) const;
    QColor CellDigitColour(int cell) const;
    bool CellShown(int cell) const { return Cells.Shown(cell); }
    const QString& TwinText(int cell) const { return Cells.TwinText(cell); }
    bool TwinShown(int cell) const { return Cells.TwinShown(cell); }

    // The hint, guide lines 1–4 and the confirmation prompt
    const QString& HintLabelText() const { return HintText; }
    bool HintShown() const { return HintIsShown; }
    bool GuideLineShown(int line) const { return GuideLines[std::size_t(line)]; }
    bool ConfirmPromptShown() const { return PromptShown; }

    // The header
    const QString& Title() const { return TitleText; }
    double TitlePointSize() const { return TitleSize; }
    const QString& PupilText() const { return Pupil; }
    const QString& LevelText() const { return LevelName; }
    const QString& SchoolText() const { return School; }
    const QString& MinutesFigure() const { return Minutes; }
    const QString& TodayFigure() const { return Today; }
    const QString& ThisLevelFigure() const { return ThisLevel; }
    const QString& RemainingFigure() const { return Remaining; }
    QString MinutesText() const;
    QString TodayText() const;
    QString ThisLevelText() const;
    QString RemainingText() const;

    // The time bar and markers 10–39
    void SetTrackWidth(double twips) { Bar.TrackWidth = twips; }
    double TrackWidth() const { return Bar.TrackWidth; }
    double ElapsedBarWidth() const { return Bar.ElapsedWidth(); }
    double TargetZoneWidth() const { return Bar.TargetZoneWidth(); }
    double LowestZoneWidth() const { return Bar.LowestZoneWidth(); }
    bool LowestZoneShown() const { return Bar.LowestZoneShown(); }
    bool MarkerShown(int marker) const { return Bar.MarkerShown(marker); }
    const QString& SecondsFigure() const { return Bar.SecondsFigure(); }

    // Set by the screen.
    std::function<void()> EndAttempt;
    std::function<void()> StartClock;
    std::function<void()> StopClock;
    std::function<void()> ProcessEvents;
    std::function<void()> Changed;

private:
    int Level() const;
    bool LevelInUse() const;
    const PassCriteria& LevelCriteria() const;
    bool HintsOn() const;
    void PlayCue(void (SoundCues::*cue)());
    bool Blocked() const;
    bool StartConfirmOver();
    void WarnIfFull();
    Verdict Judge() const;
    void AfterJudgement(Verdict verdict);
    void Confirm();
    void ShowHint();
    void ShowRemaining();
    QString MinutesSinceLogin() const;
    void Notify();
    // Calls a copy: the callback may destroy this model, and with it the original.
    static void Call(std::function<void()> f)
    {
        if (f)
            f();
    }

    bool Activated = false;
    bool WasInactive = false;
    AnswerCells Cells;
    TimeBar Bar;

    QString HintText = QStringLiteral("通分しなさい");
    bool HintIsShown = false;
    std::array<bool, AnswerCells::GuideLineCount + 1> GuideLines{};
    bool PromptShown = false;

    QString TitleText;
    double TitleSize = 16.8;
    QString Pupil;
    QString LevelName;
    QString School;
    QString Minutes;
    QString Today;
    QString ThisLevel;
    QString Remaining;

    // Cleared when the model is destroyed, so a callback that closes the screen cannot leave
    // a handler running on a deleted model.
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
};
