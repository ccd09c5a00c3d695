#pragma once
#include <functional>

// How the program waits for another machine (a lock on the shared score file, a share coming back):
// the given milliseconds, with the screens still answering. Tests pass a wait of their own.
using WaitFunction = std::function<void(int ms)>;

// Runs the event loop for `ms` when there is an application object, else sleeps.
void ResponsiveWait(int ms);
