// Small offline synthesiser for the game's sound effects: additive tones with
// envelopes, band-passed noise bursts, filters, a little room and an echo.
// Everything works on mono floating-point buffers at kSampleRate; the mastering
// helpers at the end turn a buffer into 16-bit samples.
#pragma once

#include <cstdint>
#include <vector>

namespace soundgen {

inline constexpr int kSampleRate = 44100;

using Buffer = std::vector<double>;

// Deterministic noise (xorshift64*), so every run writes the same files on every
// machine; the standard distributions are not portable between libraries.
class Noise {
public:
    explicit Noise(std::uint64_t seed);
    double next();                        // uniform in [-1, 1)
    double uniform(double lo, double hi); // uniform in [lo, hi)

private:
    std::uint64_t m_state;
};

// Attack and release are linear-ish ramps in seconds; decay is the time constant
// of the fall from full level towards `sustain`.
struct Adsr {
    double attack = 0.005;
    double decay = 0.1;
    double sustain = 0.7;
    double release = 0.1;
};

// Level (0..1) at time t of a note held for `held` seconds and then released.
// It is 0 at t <= 0 and from held + release on, so notes start and end without a click.
double envelopeAt(const Adsr& env, double t, double held);

enum class Wave { Sine, Triangle };

struct Partial {
    double ratio = 1.0; // multiple of the note's frequency
    double gain = 1.0;
    double damping = 0.0; // extra exponential decay of this partial, per second
};

struct Tone {
    double start = 0.0;   // seconds into the buffer
    double held = 0.1;    // seconds before the release starts
    double freq = 440.0;  // Hz
    double endFreq = 0.0; // pitch reached at the end of the held part; 0 keeps the pitch
    double gain = 1.0;
    double vibratoRate = 0.0;  // Hz
    double vibratoDepth = 0.0; // fraction of the frequency
    Wave wave = Wave::Sine;
    Adsr env;
    std::vector<Partial> partials{Partial{}};
};

// A short band-passed noise hit: 1 ms rise, then an exponential fall.
struct Burst {
    double start = 0.0;
    double decay = 0.01;    // time constant of the fall, seconds
    double centre = 3000.0; // band-pass centre, Hz
    double q = 1.0;
    double gain = 1.0;
};

Buffer silence(double seconds);
double midiToHz(double note); // 69 = A4 = 440 Hz

// Mixes into `out`; whatever would fall past its end is dropped.
void addTone(Buffer& out, const Tone& tone);
void addBurst(Buffer& out, const Burst& burst, Noise& noise);

void lowPass(Buffer& buf, double cutoffHz);
void highPass(Buffer& buf, double cutoffHz);
// A small mono room: `size` scales the room (about 0.3 small .. 1.0 hall), `wet` the mix.
void addReverb(Buffer& buf, double wet, double size);
// A single feedback echo.
void addEcho(Buffer& buf, double delaySeconds, double feedback, double mix);

// Raised-cosine fades at both ends; guarantees a silent first and last sample.
void fadeEdges(Buffer& buf, double fadeIn, double fadeOut);
// Gentle saturation: raises quiet detail against the loudest hit (drive > 0).
void softLimit(Buffer& buf, double drive);
// Scales so the highest sample magnitude sits at `peakDbfs` (negative).
void normalise(Buffer& buf, double peakDbfs);
double peakOf(const Buffer& buf);
// Rounds to 16-bit samples, never reaching full scale (-32768 is not produced).
std::vector<std::int16_t> toPcm16(const Buffer& buf);

} // namespace soundgen
