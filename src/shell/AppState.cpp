#include "shell/AppState.h"
#include "shell/SystemClock.h"
#include "shell/SystemRandom.h"
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QThread>

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
void ResponsiveWait(int ms)
{
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        QThread::msleep(ms);
    }
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
