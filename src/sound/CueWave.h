#pragma once
#include <QByteArray>
#include <vector>

// The program's own default cue sounds, synthesised: 16-bit PCM, 44100 Hz, mono.
class CueWave {
public:
    static constexpr int SampleRate = 44100;

    enum class Sound {
        ChimeLow,      // rising two-note chimes for a correct problem
        ChimeMid,
        ChimeHigh,
        Buzz,          // soft low buzz for a wrong problem
        Falling,       // falling two-note tone for a wrong problem
        Beep,          // a typed character that does not fit
        Fanfare,       // new school best
        PassArpeggio,  // pass of the final level
        ArpeggioBright,
        ArpeggioWarm,
        SparkleD,
        SparkleE,
        SparkleA,
        GentleChord,   // ordinary finish
        GentleStep,
    };

    // Samples in [-1, 1], faded in and out so that nothing clicks.
    static std::vector<float> Synthesise(Sound sound);
    // The bytes of a wave file holding `samples`. Throws FatalError when libsndfile refuses them.
    static QByteArray Encode(const std::vector<float>& samples);
};
