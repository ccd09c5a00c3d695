#include "drill/DrillModel.h"
#include "drill/Attempt.h"
#include "drill/ProblemDrawing.h"
#include "base/Clock.h"
#include "base/Limits.h"
#include "records/ResultTables.h"
#include "sound/SoundCues.h"
#include <algorithm>
#include <cmath>

namespace {
constexpr int SecondsPerDay = 86400;
} // namespace

DrillModel::DrillModel(AttemptState& state) : State(state) {}

DrillModel::~DrillModel()
{
    *Alive = false;
}

int DrillModel::Level() const
{
    return std::clamp<int>(In.Level, 0, Limits::LastLevel);
}

bool DrillModel::LevelInUse() const
{
    return In.Catalogue->LevelInUse[std::size_t(Level())];
}

const PassCriteria& DrillModel::LevelCriteria() const
{
    return (*In.Criteria)[std::size_t(Level())];
}

bool DrillModel::HintsOn() const
{
    return In.Level == 1;
}

void DrillModel::PlayCue(void (SoundCues::*cue)())
{
    if (Cues)
        (Cues->*cue)();
}

void DrillModel::Notify()
{
    Call(Changed);
}

// ---- what the screen shows

QColor DrillModel::CellColour(int cell) const
{
    switch (Cells.RoleOf(cell)) {
    case AnswerCells::Role::Given: return GivenColour;
    case AnswerCells::Role::Cursor: return CursorColour;
    case AnswerCells::Role::Wrong: return WrongColour;
    case AnswerCells::Role::Mirror: return MirrorColour;
    case AnswerCells::Role::Input: break;
    }
    return InputColour;
}

QColor DrillModel::CellDigitColour(int cell) const
{
    return Cells.RoleOf(cell) == AnswerCells::Role::Cursor ? CursorDigitColour : DigitColour;
}

QString DrillModel::MinutesText() const
{
    return QStringLiteral("起動後%1分").arg(Minutes);
}

QString DrillModel::TodayText() const
{
    return QStringLiteral("本日%1回目").arg(Today);
}

QString DrillModel::ThisLevelText() const
{
    return QStringLiteral("このレベル%1回目").arg(ThisLevel);
}

QString DrillModel::RemainingText() const
{
    return QStringLiteral("残り%1問").arg(Remaining);
}

void DrillModel::ShowRemaining()
{
    const AttemptState& s = State;
    Remaining = QString::number(s.ProblemsPerAttempt - s.SolvedCount);
}

QString DrillModel::MinutesSinceLogin() const
{
    qint64 seconds = qint64(std::trunc(TheClock->SecondsSinceMidnight() - In.LoginTime));
    // Signed in before midnight: the clock has started a new day since.
    if (seconds < 0)
        seconds += SecondsPerDay;
    return QString::number(seconds / 60);
}

void DrillModel::ShowHint()
{
    const int cursor = Cells.Cursor();
    HintText = AnswerCells::HintFor(std::clamp(cursor, 0, CellCount));
    for (int line = 1; line <= AnswerCells::GuideLineCount; ++line)
        GuideLines[std::size_t(line)] = AnswerCells::GuideLineFor(cursor, line);
}

// ---- problems

void DrillModel::MakeProblem()
{
    if (Blocked())
        return;
    Cells.Start(ProblemDrawing::Draw(*Random, In.Level == 3));
    if (HintsOn()) {
        HintIsShown = true;
        ShowHint();
    }
    Notify();
}

// ---- what the pupil does

bool DrillModel::Blocked() const
{
    const AttemptState& s = State;
    return s.TimedOut || s.AttemptFinished || s.Judging;
}

bool DrillModel::StartConfirmOver()
{
    AttemptState& s = State;
    if (s.ConfirmState == ConfirmStep::Normal)
        return false;
    s.ConfirmState = ConfirmStep::AfterWrongAnswer;
    Notify();
    return true;
}

void DrillModel::WarnIfFull()
{
    if (Cells.IsFull())
        PlayCue(&SoundCues::Warning);
}

void DrillModel::Type(QChar character)
{
    if (Blocked() || StartConfirmOver())
        return;
    if (Cells.IsFull())
        PlayCue(&SoundCues::Warning);
    else if (AnswerCells::Takes(character))
        Cells.Append(character);
    Notify();
}

void DrillModel::Erase()
{
    if (Blocked() || StartConfirmOver())
        return;
    Cells.EraseLast();
    Notify();
}

void DrillModel::Accept()
{
    AttemptState& s = State;
    if (Blocked() || StartConfirmOver())
        return;
    if (Cells.OnLastCell()) {
        const std::shared_ptr<bool> alive = Alive;
        Cells.ClearMarks();
        s.Judging = true;
        AfterJudgement(Judge());
        s.Judging = false;
        if (*alive)
            Notify();
        return;
    }
    Cells.Move(Direction::Right);
    if (HintsOn())
        ShowHint();
    WarnIfFull();
    Notify();
}

void DrillModel::Acknowledge()
{
    AttemptState& s = State;
    if (Blocked())
        return;
    switch (s.ConfirmState) {
    case ConfirmStep::Normal:
        // Not after a wrong answer "+" is a key like any other the cells do not take.
        WarnIfFull();
        break;
    case ConfirmStep::AfterWrongAnswer:
        s.ConfirmState = ConfirmStep::AfterFirstPlus;
        break;
    case ConfirmStep::AfterFirstPlus:
        Confirm();
        break;
    }
    Notify();
}

void DrillModel::Move(Direction direction)
{
    Cells.Move(direction);
    if (HintsOn())
        ShowHint();
    Notify();
}

void DrillModel::ClearCell()
{
    Cells.ClearCursorCell();
    Notify();
}

void DrillModel::ClearAll()
{
    Cells.ClearAnswers();
    Notify();
}

void DrillModel::TypeText(const QString& text)
{
    if (text.isEmpty())
        return;
    char16_t c = text.at(0).unicode();
    // An input method may deliver full-width characters; the cells take their ASCII forms.
    if (c >= 0xFF01 && c <= 0xFF5E)
        c = char16_t(c - 0xFEE0);
    else if (c == 0x3000)
        c = u' ';
    switch (c) {
    case u'\b': Erase(); return;
    case u' ': Accept(); return;
    case u'+': Acknowledge(); return;
    default:
        if (c < 128)
            Type(QChar(c));
    }
}

// ---- judging

Verdict DrillModel::Judge() const
{
    return Cells.AnyAskedWrong() ? Verdict::Wrong : Verdict::Correct;
}

void DrillModel::AfterJudgement(Verdict verdict)
{
    AttemptState& s = State;
    const std::shared_ptr<bool> alive = Alive;

    if (verdict == Verdict::Correct) {
        PlayCue(&SoundCues::Correct);
        ++s.SolvedCount;
        ShowRemaining();
        if (s.SolvedCount < s.ProblemsPerAttempt) {
            s.Judging = false;
            MakeProblem();
        } else {
            Call(StopClock);
            s.AttemptFinished = true;
            Notify();
            Call(EndAttempt);
        }
        return;
    }

    HintIsShown = false;
    s.ConfirmState = ConfirmStep::AfterWrongAnswer;
    s.Verdict = Verdict::Wrong;
    Cells.MarkWrong();
    // The marks are on screen before the cue sounds.
    Notify();
    Call(ProcessEvents);
    if (!*alive)
        return;
    PlayCue(&SoundCues::Wrong);
    PromptShown = true;
    s.SolvedCount = std::max(0, s.SolvedCount - 1);
    ShowRemaining();
    s.Judging = false;
    Notify();
}

void DrillModel::Confirm()
{
    AttemptState& s = State;
    s.ConfirmState = ConfirmStep::Normal;
    s.Verdict = Verdict::Unjudged;
    PromptShown = false;
    MakeProblem();
    Notify();
}

// ---- attempt timing

bool DrillModel::Activate()
{
    if (Attempt::IsEnding(State))
        return false;
    Activated = true;
    WasInactive = false;
    return true;
}

void DrillModel::Begin()
{
    SetUpAttempt();
    SetProblemCount();
    StartTiming();
    MakeProblem();
}

void DrillModel::SetUpAttempt()
{
    AttemptState& s = State;
    Attempt::Activate(s);

    const int level = Level();
    const int pupil = std::clamp<int>(In.Pupil, 0, Limits::MaxPupil);
    if (LevelInUse())
        Bar.SetUp(LevelCriteria());
    else
        Bar.SetUpWithoutLevel(s.TimeLimit);
    s.TimeLimit = Bar.TimeLimit();
    s.BarScale = Bar.Scale();

    TitleText = In.ProgramTitle;
    TitleSize = In.ProgramTitle.size() > 9 ? 14 : 16.8;
    Pupil = In.PupilName.trimmed();
    LevelName = In.Catalogue->LevelName[std::size_t(level)];
    const int todayOnLevel = int(In.Results->TodayCount(level, pupil));
    s.TodayTotal = In.Results->TodayTotal(pupil);
    School = In.SchoolName;
    Minutes = MinutesSinceLogin();
    if (In.Catalogue->IsPractice(level)) {
        Today = QStringLiteral("－");
        ThisLevel = QStringLiteral("－");
    } else {
        Today = QString::number(s.TodayTotal + 1);
        ThisLevel = QString::number(todayOnLevel + 1);
    }
    Notify();
}

void DrillModel::SetProblemCount()
{
    State.ProblemsPerAttempt = ProblemsPerAttempt;
    ShowRemaining();
    Notify();
}

void DrillModel::StartTiming()
{
    AttemptState& s = State;
    // The time of day is what is shown and kept; elapsed time runs on the monotonic clock, so
    // midnight or a clock adjustment cannot make it negative or absurd.
    s.StartTime = float(TheClock->SecondsSinceMidnight());
    s.StartMonotonicMs = TheClock->MonotonicMs();
    s.ElapsedSeconds = 0;
    Call(StartClock);
}

void DrillModel::Tick()
{
    AttemptState& s = State;
    const std::shared_ptr<bool> alive = Alive;
    const int elapsed = TimeBar::ElapsedSeconds(TheClock->MonotonicMs() - s.StartMonotonicMs);
    s.ElapsedSeconds = elapsed;
    Bar.Show(elapsed, LevelCriteria(), LevelInUse());
    Notify();
    Call(ProcessEvents);
    if (!*alive)
        return;

    // TimedOut too: a tick queued before the clock stopped must not end the attempt again.
    if (Bar.Reach(elapsed) && !s.EndingStarted && !s.AttemptFinished && !s.Judging && !s.TimedOut) {
        s.TimedOut = true;
        Call(StopClock);
        Notify();
        Call(EndAttempt);
        if (!*alive)
            return;
    }
    Notify();
}

void DrillModel::MinuteTick()
{
    Minutes = MinutesSinceLogin();
    Notify();
}
