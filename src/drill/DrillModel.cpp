#include "drill/DrillModel.h"
#include "drill/Attempt.h"
#include "base/Clock.h"
#include "base/Limits.h"
#include "base/RandomSource.h"
#include "records/ResultTables.h"
#include "sound/SoundCues.h"
#include <algorithm>
#include <cmath>

namespace {
constexpr int SecondsPerDay = 86400;
// A random source that keeps giving rejected draws must not hang the screen; a uniform one
// needs more than a few dozen tries with vanishing chance.
constexpr int MaxDraws = 1000;
} // namespace

DrillModel::DrillModel(AttemptState& state) : State(state)
{
    for (int i = 10; i <= 39; ++i)
        MarkerShown[std::size_t(i)] = true;
    CellColour.fill(InputColour);
}

DrillModel::~DrillModel()
{
    *Alive = false;
}

const PassCriteria& DrillModel::LevelCriteria() const
{
    return (*In.Criteria)[std::size_t(Level())];
}

void DrillModel::PlayCue(void (SoundCues::*cue)())
{
    if (Cues)
        (Cues->*cue)();
}

int DrillModel::Level() const
{
    return std::clamp<int>(In.Level, 0, Limits::LastLevel);
}

bool DrillModel::HintsOn() const
{
    return In.Level == 1;
}

int DrillModel::GreatestCommonDivisor(int first, int second)
{
    int x = first;
    int y = second;
    if (first < second)
        std::swap(x, y);
    if (y <= 0)
        return x;
    for (;;) {
        const int t = y;
        y = x % y;
        if (y == 0)
            return t;
        x = t;
    }
}

double DrillModel::NumericValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    QString number;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool digits = false;
    auto takeDigits = [&] {
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            number += text[i++];
            digits = true;
        }
    };
    takeDigits();
    if (i < n && text[i] == u'.') {
        number += text[i++];
        takeDigits();
    }
    if (!digits)
        return 0;
    if (number.endsWith(u'.'))
        number.chop(1);
    return number.toDouble();
}

QString DrillModel::HintFor(int cell)
{
    switch (cell) {
    case 5: return QStringLiteral("①分母の最大公約数を求める");
    case 6: return QStringLiteral("②分母を最大公約数でわる");
    case 7: return QStringLiteral("③分母を最大公約数でわる");
    case 8: return QStringLiteral("④２つをかける（どちらでもよい）");
    case 9: return QStringLiteral("⑤２つをかける");
    case 11: return QStringLiteral("⑥２つをかける");
    default: return QString();
    }
}

int DrillModel::NextAsked(int from) const
{
    // Forward with wrap-around; every problem has asked cells, but stop after one round anyway.
    int cell = from;
    for (int step = 0; step <= CellCount; ++step) {
        ++cell;
        if (cell > CellCount)
            cell = 1;
        if (Problem.IsAsked(cell))
            return cell;
    }
    return from;
}

int DrillModel::PreviousAsked(int from) const
{
    int cell = from;
    for (int step = 0; step <= CellCount; ++step) {
        --cell;
        if (cell < 1)
            cell = CellCount;
        if (Problem.IsAsked(cell))
            return cell;
    }
    return from;
}

int DrillModel::FirstAsked() const
{
    return NextAsked(0);
}

void DrillModel::SetCellText(int cell, const QString& text)
{
    CellText[std::size_t(cell)] = text;
    // Cell 10 always shows the common denominator typed into cell 8.
    if (cell == 8)
        CellText[10] = text;
}

void DrillModel::Recolour()
{
    for (int cell = 1; cell <= CellCount; ++cell)
        CellColour[std::size_t(cell)] = Problem.Given[std::size_t(cell)] ? GivenColour : InputColour;
    CellColour[10] = MirrorColour;
}

void DrillModel::Highlight()
{
    CellColour[std::size_t(CursorCell)] = CursorColour;
    CurrentText = CellText[std::size_t(CursorCell)];
}

bool DrillModel::IsWrong(int cell) const
{
    return NumericValue(CellText[std::size_t(cell)]) != Problem.Expected[std::size_t(cell)].toDouble();
}

void DrillModel::Notify()
{
    Call(Changed);
}

void DrillModel::ShowRemaining()
{
    const AttemptState& s = State;
    RemainingFigure = QString::number(s.ProblemsPerAttempt - s.SolvedCount);
}

QString DrillModel::MinutesSinceLogin() const
{
    qint64 seconds = qint64(std::trunc(TheClock->SecondsSinceMidnight() - In.LoginTime));
    // Signed in before midnight: the clock has started a new day since.
    if (seconds < 0)
        seconds += SecondsPerDay;
    return QString::number(seconds / 60);
}

// ---- problems

int DrillModel::DrawDigit()
{
    const double r = Random->Next();
    return std::clamp(int(r * 4 + 2), 2, 5);
}

void DrillModel::MakeProblem()
{
    AttemptState& s = State;
    if (s.TimedOut || s.AttemptFinished || s.Judging)
        return;
    const bool stepsSkipped = In.Level == 3;

    auto numerator = [this](int denominator) {
        const double r = Random->Next();
        return std::clamp(int((denominator - 1) * r + 1), 1, denominator - 1);
    };
    int a = 0, b = 0, c = 0, d1 = 0, n1 = 0, d2 = 0, n2 = 0, g = 0;
    for (int draw = 0;; ++draw) {
        a = DrawDigit();
        b = DrawDigit();
        c = DrawDigit();
        if (draw >= MaxDraws) {
            b = 2;
            c = 3;
        }
        d1 = a * b;
        n1 = numerator(d1);
        d2 = a * c;
        n2 = numerator(d2);
        g = GreatestCommonDivisor(d1, d2);
        if (d1 != d2 && g != d1 && g != d2)
            break;
    }

    FractionProblem& p = Problem;
    const int q1 = d1 / g;
    const int q2 = d2 / g;
    const int values[12] = {0, d1, n1, d2, n2, g, q1, q2, g * q1 * q2, n1 * q2, 0, n2 * q1};
    for (int cell = 1; cell <= CellCount; ++cell)
        p.Expected[std::size_t(cell)] = cell == 10 ? QString() : QString::number(values[cell]);
    for (int cell : {1, 2, 3, 4, 10})
        p.Given[std::size_t(cell)] = true;
    if (stepsSkipped)
        for (int cell : {5, 6, 7})
            p.Skipped[std::size_t(cell)] = true;

    CursorCell = FirstAsked();
    for (int cell = 1; cell <= CellCount; ++cell) {
        const auto i = std::size_t(cell);
        TwinText[i] = p.Expected[i];
        TwinShown[i] = false;
        CellShown[i] = !p.Skipped[i];
        if (p.Given[i]) {
            CellColour[i] = GivenColour;
            SetCellText(cell, p.Expected[i]);
        } else {
            CellColour[i] = InputColour;
            SetCellText(cell, QString());
        }
    }
    CellColour[10] = MirrorColour;
    for (int cell = 1; cell <= CellCount; ++cell)
        HintText[std::size_t(cell)] = HintFor(cell);
    CellColour[std::size_t(CursorCell)] = CursorColour;
    if (HintsOn()) {
        HintShown = true;
        ShowHint();
    }
    Notify();
}

// ---- answer entry

void DrillModel::KeyPress(int code)
{
    AttemptState& s = State;
    if (s.TimedOut || s.AttemptFinished || s.Judging)
        return;
    const std::shared_ptr<bool> alive = Alive;

    if (s.ConfirmState >= 1) {
        if (code == PlusKey && s.ConfirmState == 1)
            s.ConfirmState = 2;
        else if (code == PlusKey && s.ConfirmState == 2)
            Confirm();
        else
            s.ConfirmState = 1;
        Notify();
        return;
    }

    if (code == SpaceKey) {
        Recolour();
        if (CursorCell == CellCount) {
            s.Judging = true;
            Judge();
            AfterJudgement();
            s.Judging = false;
            if (*alive)
                Notify();
            return;
        }
        CursorCell = NextAsked(CursorCell);
        if (HintsOn())
            ShowHint();
        Highlight();
    } else if (code == BackspaceKey) {
        if (!CurrentText.isEmpty()) {
            CurrentText.chop(1);
            SetCellText(CursorCell, CurrentText);
        }
        Notify();
        return;
    }

    if (CurrentText.size() >= 3)
        PlayCue(&SoundCues::Warning);
    else if (code >= 42 && code <= 57 && code != PlusKey) {
        CurrentText += QChar(code);
        SetCellText(CursorCell, CurrentText);
    }
    Notify();
}

void DrillModel::KeyDown(int code)
{
    switch (code) {
    case LeftKey:
    case RightKey:
        CursorCell = code == LeftKey ? PreviousAsked(CursorCell) : NextAsked(CursorCell);
        Recolour();
        Highlight();
        if (HintsOn())
            ShowHint();
        break;
    case UpKey:
        for (int cell = 1; cell <= CellCount; ++cell)
            if (Problem.IsAsked(cell))
                SetCellText(cell, QString());
        CursorCell = FirstAsked();
        Recolour();
        Highlight();
        break;
    case DownKey:
        SetCellText(CursorCell, QString());
        CurrentText.clear();
        break;
    default:
        return;
    }
    Notify();
}

// ---- judging and hints

void DrillModel::Judge()
{
    AttemptState& s = State;
    if (s.TimedOut || s.AttemptFinished) {
        s.Judging = false;
        return;
    }
    s.Verdict = 1;
    for (int cell = 1; cell <= CellCount; ++cell) {
        if (Problem.IsAsked(cell) && IsWrong(cell)) {
            s.Verdict = 2;
            return;
        }
    }
}

void DrillModel::AfterJudgement()
{
    AttemptState& s = State;
    if (s.TimedOut || s.AttemptFinished)
        return;
    const std::shared_ptr<bool> alive = Alive;

    if (s.Verdict == 1) {
        s.Verdict = 0;
        PlayCue(&SoundCues::Correct);
        ++s.SolvedCount;
        ShowRemaining();
        if (s.SolvedCount < s.ProblemsPerAttempt) {
            s.Judging = false;
            CurrentText.clear();
            MakeProblem();
        } else {
            Call(StopClock);
            s.AttemptFinished = true;
            Notify();
            Call(EndAttempt);
        }
        return;
    }

    HintShown = false;
    s.ConfirmState = 1;
    for (int cell = 1; cell <= CellCount; ++cell) {
        if (Problem.IsAsked(cell) && IsWrong(cell)) {
            CellColour[std::size_t(cell)] = WrongColour;
            TwinShown[std::size_t(cell)] = true;
        }
    }
    if (Problem.IsAsked(8) && IsWrong(8)) {
        TwinText[10] = TwinText[8];
        TwinShown[10] = true;
    }
    Notify();
    Call(ProcessEvents);
    if (!*alive)
        return;
    PlayCue(&SoundCues::Wrong);
    ConfirmPromptShown = true;
    s.SolvedCount = std::max(0, s.SolvedCount - 1);
    ShowRemaining();
    s.Judging = false;
    Notify();
}

void DrillModel::Confirm()
{
    AttemptState& s = State;
    s.ConfirmState = 0;
    CurrentText.clear();
    ConfirmPromptShown = false;
    MakeProblem();
    for (int cell = 1; cell <= CellCount; ++cell) {
        const auto i = std::size_t(cell);
        if (!Problem.Given[i]) {
            CellColour[i] = InputColour;
            SetCellText(cell, QString());
        }
        TwinShown[i] = false;
    }
    CursorCell = FirstAsked();
    CellColour[std::size_t(CursorCell)] = CursorColour;
    Notify();
}

void DrillModel::ShowHint()
{
    HintLabelText = HintText[std::size_t(std::clamp(CursorCell, 0, CellCount))];
    GuideLineShown.fill(false);
    switch (CursorCell) {
    case 8:
        GuideLineShown[3] = true;
        GuideLineShown[4] = true;
        break;
    case 9:
        GuideLineShown[2] = true;
        break;
    case 11:
        GuideLineShown[1] = true;
        break;
    default:
        break;
    }
}

// ---- attempt timing

void DrillModel::SetUpAttempt()
{
    AttemptState& s = State;
    Attempt::Activate(s);
    CurrentText.clear();

    const int level = Level();
    const int pupil = std::clamp<int>(In.Pupil, 0, Limits::MaxPupil);
    const PassCriteria& criteria = LevelCriteria();
    auto clampToTrack = [this](double width) { return std::clamp(width, 0.0, TrackWidth); };
    if (In.Catalogue->LevelInUse[std::size_t(level)]) {
        s.TimeLimit = criteria.LowestTime * 5;
        SecondsFigure = QStringLiteral("0");
        // A level without a lowest time has no time to run: the bar stays empty and the first
        // tick ends the attempt.
        s.BarScale = s.TimeLimit > 0 ? TrackWidth / s.TimeLimit : 0;
        ElapsedBarWidth = 0;
        TargetZoneWidth = clampToTrack(criteria.TargetTime * s.BarScale);
        LowestZoneWidth = clampToTrack(criteria.LowestTime * s.BarScale);
        LowestZoneShown = true;
    } else {
        SecondsFigure = QString::number(s.TimeLimit);
        s.BarScale = s.TimeLimit > 0 ? TrackWidth / s.TimeLimit : 0;
        TargetZoneWidth = TrackWidth;
        ElapsedBarWidth = 0;
        LowestZoneShown = false;
    }

    Title = In.ProgramTitle;
    TitlePointSize = In.ProgramTitle.size() > 9 ? 14 : 16.8;
    PupilText = In.PupilName.trimmed();
    LevelText = In.Catalogue->LevelName[std::size_t(level)];
    const int todayOnLevel = int(In.Results->TodayCount(level, pupil));
    s.TodayTotal = In.Results->TodayTotal(pupil);
    SchoolText = In.SchoolName;
    MinutesFigure = MinutesSinceLogin();
    if (In.Catalogue->IsPractice(level)) {
        TodayFigure = QStringLiteral("－");
        ThisLevelFigure = QStringLiteral("－");
    } else {
        TodayFigure = QString::number(s.TodayTotal + 1);
        ThisLevelFigure = QString::number(todayOnLevel + 1);
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
    const qint64 ms = std::max<qint64>(0, TheClock->MonotonicMs() - s.StartMonotonicMs);
    // Halves to even, as the default rounding mode does.
    const int elapsed = int(std::nearbyint(ms / 1000.0));
    s.ElapsedSeconds = elapsed;

    auto hideRow = [this, elapsed](int first, int reference) {
        if (reference >= elapsed)
            for (int i = 0; i <= std::min(9, elapsed - reference + 9); ++i)
                MarkerShown[std::size_t(first + i)] = false;
    };
    const PassCriteria& criteria = LevelCriteria();
    hideRow(10, BestReference);
    hideRow(20, YourBestReference);
    hideRow(30, criteria.TargetTime);
    if (criteria.LowestTime >= elapsed)
        for (int i = 0; i <= 9; ++i)
            if (criteria.LowestTime - i == elapsed)
                MarkerShown[std::size_t(39 - i)] = false;

    if (In.Catalogue->LevelInUse[std::size_t(Level())]) {
        SecondsFigure = QString::number(elapsed);
        if (elapsed < s.TimeLimit)
            ElapsedBarWidth = elapsed * s.BarScale;
    }
    Notify();
    Call(ProcessEvents);
    if (!*alive)
        return;

    if (elapsed < s.TimeLimit) {
        ElapsedBarWidth = elapsed * s.BarScale;
    } else {
        ElapsedBarWidth = TrackWidth;
        // TimedOut too: a tick queued before the clock stopped must not end the attempt again.
        if (!s.EndingStarted && !s.AttemptFinished && !s.Judging && !s.TimedOut) {
            s.TimedOut = true;
            Call(StopClock);
            Notify();
            Call(EndAttempt);
            if (!*alive)
                return;
        }
    }
    Notify();
}

void DrillModel::MinuteTick()
{
    MinutesFigure = MinutesSinceLogin();
    Notify();
}
