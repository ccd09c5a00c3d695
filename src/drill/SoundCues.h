#pragma once

// The program's sound cues. Each plays to its end before returning.
class SoundCues {
public:
    static void LoadSoundTable();
    static void Correct();
    static void Wrong();
    static void PersonalBest();
    static void OrdinaryFinish();
    static void SchoolBest();
    static void Pass();
    static void Warning();
};
