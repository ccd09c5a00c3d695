#include "sound/CueWave.h"
#include "base/FatalError.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sndfile.h>

namespace {

enum class Timbre { Bell, Soft, Buzz, Beep };

struct Note {
    double Freq;
    double Start;   // seconds
    double Length;  // seconds
    double Amp = 1.0;
    Timbre Kind = Timbre::Bell;
    double FreqEnd = 0; // glide target; 0 keeps the pitch
};

constexpr double Pi = 3.14159265358979323846;

// Equal-tempered pitch of a MIDI note number (69 = A4 = 440 Hz).
double Pitch(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

double Wave(Timbre kind, double phase)
{
    switch (kind) {
    case Timbre::Bell:
        return std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
    case Timbre::Soft:
        return std::sin(phase) + 0.08 * std::sin(2 * phase);
    case Timbre::Buzz:
        // A few odd harmonics: reedy but not harsh.
        return std::sin(phase) + 0.33 * std::sin(3 * phase) + 0.15 * std::sin(5 * phase)
            + 0.06 * std::sin(7 * phase);
    case Timbre::Beep:
        return std::sin(phase) + 0.1 * std::sin(2 * phase);
    }
    return 0;
}

double Envelope(const Note& n, double t)
{
    const double attack = n.Kind == Timbre::Soft ? 0.04 : n.Kind == Timbre::Buzz ? 0.02 : 0.005;
    const double release = std::min(0.05, n.Length / 3);
    double e = t < attack ? t / attack : 1.0;
    if (n.Kind == Timbre::Bell)
        e *= std::exp(-(t - std::min(t, attack)) * 4.0);
    else if (n.Kind == Timbre::Soft)
        e *= std::exp(-(t - std::min(t, attack)) * 1.5);
    const double left = n.Length - t;
    if (left < release)
        e *= std::max(0.0, left / release);
    return e;
}

std::vector<float> Render(const std::vector<Note>& notes, double total)
{
    const auto frames = std::size_t(total * CueWave::SampleRate);
    std::vector<double> mix(frames, 0.0);
    for (const Note& n : notes) {
        const auto first = std::size_t(n.Start * CueWave::SampleRate);
        const auto count = std::size_t(n.Length * CueWave::SampleRate);
        double phase = 0;
        for (std::size_t i = 0; i < count && first + i < frames; ++i) {
            const double t = double(i) / CueWave::SampleRate;
            const double f = n.FreqEnd > 0 ? n.Freq + (n.FreqEnd - n.Freq) * t / n.Length : n.Freq;
            phase += 2 * Pi * f / CueWave::SampleRate;
            mix[first + i] += n.Amp * Envelope(n, t) * Wave(n.Kind, phase);
        }
    }
    double peak = 0;
    for (double v : mix)
        peak = std::max(peak, std::abs(v));
    const double gain = peak > 0 ? 0.7 / peak : 0;
    // Whole-file fades as well, in case a note starts at 0 or runs to the end.
    const std::size_t fadeIn = CueWave::SampleRate * 3 / 1000, fadeOut = CueWave::SampleRate * 20 / 1000;
    std::vector<float> out(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        double g = gain;
        if (i < fadeIn)
            g *= double(i) / fadeIn;
        if (frames - i <= fadeOut)
            g *= double(frames - 1 - i) / fadeOut;
        out[i] = float(mix[i] * g);
    }
    return out;
}

// Notes one after another, `step` seconds apart, the last one held for `hold`.
std::vector<Note> Arpeggio(std::initializer_list<int> midi, double step, double length, double hold)
{
    std::vector<Note> notes;
    double start = 0;
    int i = 0;
    for (int m : midi) {
        const bool last = ++i == int(midi.size());
        notes.push_back({Pitch(m), start, last ? hold : length, last ? 1.0 : 0.8});
        start += step;
    }
    return notes;
}

// libsndfile writes the header last, by seeking back: a growing byte array stands in for the file,
// so that the caller writes it with the same checks as every other file.
struct Memory {
    QByteArray Bytes;
    sf_count_t At = 0;
};

sf_count_t MemoryLength(void* user) { return static_cast<Memory*>(user)->Bytes.size(); }

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<Memory*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m->At : whence == SEEK_END ? m->Bytes.size() : 0;
    if (base + offset < 0)
        return -1;
    m->At = base + offset;
    return m->At;
}

sf_count_t MemoryRead(void* ptr, sf_count_t count, void* user)
{
    auto* m = static_cast<Memory*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->Bytes.size() - m->At, 0, count);
    std::memcpy(ptr, m->Bytes.constData() + m->At, std::size_t(n));
    m->At += n;
    return n;
}

sf_count_t MemoryWrite(const void* ptr, sf_count_t count, void* user)
{
    auto* m = static_cast<Memory*>(user);
    if (m->At + count > m->Bytes.size())
        m->Bytes.resize(qsizetype(m->At + count), '\0');
    std::memcpy(m->Bytes.data() + m->At, ptr, std::size_t(count));
    m->At += count;
    return count;
}

sf_count_t MemoryTell(void* user) { return static_cast<Memory*>(user)->At; }

} // namespace

std::vector<float> CueWave::Synthesise(Sound sound)
{
    switch (sound) {
    case Sound::ChimeLow:
        return Render({{Pitch(79), 0, 0.3, 0.8}, {Pitch(84), 0.12, 0.45}}, 0.6);
    case Sound::ChimeMid:
        return Render({{Pitch(84), 0, 0.3, 0.8}, {Pitch(88), 0.12, 0.45}}, 0.6);
    case Sound::ChimeHigh:
        return Render({{Pitch(86), 0, 0.25, 0.8}, {Pitch(91), 0.1, 0.42}}, 0.55);
    case Sound::Buzz:
        return Render({{196, 0, 0.45, 1.0, Timbre::Buzz, 150}}, 0.5);
    case Sound::Falling:
        return Render({{Pitch(64), 0, 0.25, 0.9, Timbre::Soft},
                       {Pitch(60), 0.22, 0.4, 1.0, Timbre::Soft, Pitch(59)}}, 0.65);
    case Sound::Beep:
        return Render({{1200, 0, 0.09, 1.0, Timbre::Beep}}, 0.2);
    case Sound::Fanfare: {
        auto notes = Arpeggio({72, 76, 79}, 0.12, 0.3, 0.3);
        for (int m : {72, 76, 79, 84})
            notes.push_back({Pitch(m), 0.38, 0.8, m == 84 ? 1.0 : 0.6});
        return Render(notes, 1.2);
    }
    case Sound::PassArpeggio:
        return Render(Arpeggio({67, 72, 76, 79, 84}, 0.1, 0.3, 0.7), 1.15);
    case Sound::ArpeggioBright:
        return Render(Arpeggio({84, 88, 91, 96}, 0.08, 0.25, 0.5), 0.8);
    case Sound::ArpeggioWarm:
        return Render(Arpeggio({77, 81, 84, 89}, 0.08, 0.25, 0.5), 0.8);
    case Sound::SparkleD:
        return Render(Arpeggio({74, 78, 81, 86}, 0.09, 0.25, 0.45), 0.8);
    case Sound::SparkleE:
        return Render(Arpeggio({76, 80, 83, 88}, 0.09, 0.25, 0.45), 0.8);
    case Sound::SparkleA:
        return Render(Arpeggio({81, 85, 88}, 0.1, 0.25, 0.4), 0.7);
    case Sound::GentleChord:
        return Render({{Pitch(72), 0, 0.7, 0.8, Timbre::Soft}, {Pitch(76), 0.02, 0.68, 0.6, Timbre::Soft}}, 0.75);
    case Sound::GentleStep:
        return Render({{Pitch(67), 0, 0.35, 0.8, Timbre::Soft}, {Pitch(72), 0.3, 0.5, 0.9, Timbre::Soft}}, 0.85);
    }
    return {};
}

QByteArray CueWave::Encode(const std::vector<float>& samples)
{
    SF_INFO info{};
    info.samplerate = SampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    Memory memory;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (!file)
        throw FatalError(QStringLiteral("音声データを作成できません（%1）").arg(QString::fromLocal8Bit(sf_strerror(nullptr))));
    std::vector<short> pcm(samples.size());
    std::transform(samples.begin(), samples.end(), pcm.begin(), [](float v) {
        return short(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    });
    const sf_count_t written = sf_write_short(file, pcm.data(), sf_count_t(pcm.size()));
    const int closed = sf_close(file);
    if (written != sf_count_t(pcm.size()) || closed != 0)
        throw FatalError(QStringLiteral("音声データを作成できません"));
    return memory.Bytes;
}
