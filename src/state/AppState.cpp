#include "state/AppState.h"
#include "base/SystemClock.h"
#include "base/SystemRandom.h"
#include <memory>

namespace {
SystemClock& DefaultClock()
{
    static SystemClock clock;
    return clock;
}
SystemRandom& DefaultRandom()
{
    static SystemRandom random;
    return random;
}
std::unique_ptr<AppState> MakeState()
{
    auto state = std::make_unique<AppState>();
    state->TheClock = &DefaultClock();
    state->Random = &DefaultRandom();
    state->Wait = ResponsiveWait;
    return state;
}
std::unique_ptr<AppState>& Instance()
{
    static std::unique_ptr<AppState> instance = MakeState();
    return instance;
}
} // namespace

AppState& App() { return *Instance(); }

void ResetAppState() { Instance() = MakeState(); }
