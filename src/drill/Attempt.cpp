#include "drill/Attempt.h"
#include "base/Limits.h"
#include "drill/LevelCatalogue.h"

void Attempt::Start(AttemptState& state)
{
    state.SolvedCount = 0;
    state.ConfirmState = ConfirmStep::Normal;
    state.Judging = false;
    state.AttemptFinished = false;
    state.EndingStarted = false;
    state.TimedOut = false;
}

void Attempt::Activate(AttemptState& state)
{
    state.AttemptFinished = false;
    state.EndingStarted = false;
    state.Verdict = Verdict::Unjudged;
}

bool Attempt::IsEnding(const AttemptState& state)
{
    return state.EndingStarted || state.AttemptFinished || state.TimedOut;
}

bool Attempt::BeginEnding(AttemptState& state)
{
    if (state.EndingStarted)
        return false;
    state.EndingStarted = true;
    return true;
}

Attempt::Ending Attempt::Decide(const AttemptState& state, const LevelCatalogue& catalogue, int level)
{
    if (catalogue.IsPractice(level))
        return {Outcome::BackToMenu, 0};
    if (!Limits::IsLevelSlot(level) || !catalogue.LevelInUse[std::size_t(level)])
        return {Outcome::Nothing, 0};
    return {Outcome::Record, state.TimedOut ? Limits::NoTime : state.ElapsedSeconds};
}
