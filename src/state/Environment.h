#pragma once
#include "base/ResponsiveWait.h"
#include <functional>

class Clock;
class RandomSource;
class SheetPrinter;
class SoundCues;
class SoundPlayer;

// What changes with time, chance or hardware, set by main() or by a test and owned there. The sound
// cues are owned by whoever sets them (the screen flow); without them nothing sounds.
struct Environment {
    Clock* TheClock = nullptr;
    RandomSource* Random = nullptr;
    SoundPlayer* Player = nullptr;
    SoundCues* Cues = nullptr;
    // Where the graph's result sheets go; without it nothing can be printed.
    SheetPrinter* Printer = nullptr;
    // Waits for another machine with the screens responsive (score file lock conflicts).
    WaitFunction Wait = ResponsiveWait;
    // Hears how long the wait for another machine's lock has lasted (0: over), to tell the pupil.
    std::function<void(int secondsWaited)> WaitNotice;
    // --windowed: the screens in a 1024 × 768 window instead of the whole screen.
    bool Windowed = false;
    // Seconds after which a wait for the lock gives up; 0 waits on (the screens do).
    int LockGiveUpSeconds = 0;
};
