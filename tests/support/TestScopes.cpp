#include "support/TestScopes.h"
#include "base/SystemClock.h"
#include "base/SystemRandom.h"
#include <memory>

namespace {
struct Scopes {
    SystemClock Clock;
    SystemRandom Random;
    School TheSchool;
    Session TheSession;
    Environment Env;
    Scopes()
    {
        Env.TheClock = &Clock;
        Env.Random = &Random;
    }
};

std::unique_ptr<Scopes>& Current()
{
    static std::unique_ptr<Scopes> scopes = std::make_unique<Scopes>();
    return scopes;
}
} // namespace

School& TestSchool() { return Current()->TheSchool; }
Session& TestSession() { return Current()->TheSession; }
Environment& TestEnv() { return Current()->Env; }
void ResetTestScopes() { Current() = std::make_unique<Scopes>(); }
