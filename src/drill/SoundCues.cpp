#include "drill/SoundCues.h"

// Sound arrives with the drill; until then every cue is silent.
void SoundCues::LoadSoundTable() {}
void SoundCues::Correct() {}
void SoundCues::Wrong() {}
void SoundCues::PersonalBest() {}
void SoundCues::OrdinaryFinish() {}
void SoundCues::SchoolBest() {}
void SoundCues::Pass() {}
void SoundCues::Warning() {}
