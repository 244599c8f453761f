#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soundgen {

namespace {

constexpr double kDt = 1.0 / kSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Direct form II transposed biquad with the usual cookbook coefficients.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    double process(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad makeBiquad(double b0, double b1, double b2, double a0, double a1, double a2) {
    Biquad f;
    f.b0 = b0 / a0;
    f.b1 = b1 / a0;
    f.b2 = b2 / a0;
    f.a1 = a1 / a0;
    f.a2 = a2 / a0;
    return f;
}

Biquad bandPassFilter(double centre, double q) {
    const double w0 = kTwoPi * centre / kSampleRate;
    const double alpha = std::sin(w0) / (2.0 * q);
    return makeBiquad(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * std::cos(w0), 1.0 - alpha);
}

Biquad lowPassFilter(double cutoff) {
    const double w0 = kTwoPi * cutoff / kSampleRate;
    const double alpha = std::sin(w0) / std::numbers::sqrt2;
    const double c = std::cos(w0);
    return makeBiquad((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad highPassFilter(double cutoff) {
    const double w0 = kTwoPi * cutoff / kSampleRate;
    const double alpha = std::sin(w0) / std::numbers::sqrt2;
    const double c = std::cos(w0);
    return makeBiquad((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

double waveAt(Wave wave, double cycles) {
    const double s = std::sin(kTwoPi * cycles);
    if (wave == Wave::Triangle) return 2.0 / std::numbers::pi * std::asin(s);
    return s;
}

double frequencyAt(const Tone& tone, double t) {
    double f = tone.freq;
    if (tone.endFreq > 0.0) {
        const double x = tone.held > 0.0 ? std::min(t / tone.held, 1.0) : 1.0;
        f = tone.freq * std::pow(tone.endFreq / tone.freq, x);
    }
    if (tone.vibratoRate > 0.0)
        f *= 1.0 + tone.vibratoDepth * std::sin(kTwoPi * tone.vibratoRate * t);
    return f;
}

double partialSum(const Tone& tone, double cycles, double t, double freq) {
    double sum = 0.0;
    for (const Partial& p : tone.partials) {
        if (freq * p.ratio >= kSampleRate * 0.45) continue; // would alias
        sum += p.gain * std::exp(-p.damping * t) * waveAt(tone.wave, cycles * p.ratio);
    }
    return sum;
}

std::size_t sampleIndex(double seconds) {
    return static_cast<std::size_t>(std::lround(std::max(0.0, seconds) * kSampleRate));
}

} // namespace

Noise::Noise(std::uint64_t seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}

double Noise::next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    const std::uint64_t r = m_state * 2685821657736338717ull;
    return static_cast<double>(r >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double Noise::uniform(double lo, double hi) {
    return lo + (hi - lo) * (next() + 1.0) / 2.0;
}

double envelopeAt(const Adsr& env, double t, double held) {
    if (t <= 0.0) return 0.0;
    const auto heldLevel = [&env](double u) {
        if (u < env.attack) {
            const double x = u / env.attack;
            return x * x * (3.0 - 2.0 * x); // smoothstep: no corner at the start
        }
        const double fall = env.decay > 0.0 ? std::exp(-(u - env.attack) / env.decay) : 0.0;
        return env.sustain + (1.0 - env.sustain) * fall;
    };
    if (t < held) return heldLevel(t);
    const double r = t - held;
    if (r >= env.release) return 0.0;
    const double x = 1.0 - r / env.release;
    return heldLevel(held) * x * x;
}

Buffer silence(double seconds) {
    return Buffer(sampleIndex(seconds), 0.0);
}

double midiToHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

void addTone(Buffer& out, const Tone& tone) {
    const std::size_t first = sampleIndex(tone.start);
    const auto count =
        static_cast<std::size_t>(std::ceil((tone.held + tone.env.release) * kSampleRate));
    double cycles = 0.0;
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) * kDt;
        const double freq = frequencyAt(tone, t);
        const double level = envelopeAt(tone.env, t, tone.held);
        out[first + i] += tone.gain * level * partialSum(tone, cycles, t, freq);
        cycles += freq * kDt;
    }
}

void addBurst(Buffer& out, const Burst& burst, Noise& noise) {
    constexpr double kRise = 0.001;
    Biquad filter = bandPassFilter(burst.centre, burst.q);
    const std::size_t first = sampleIndex(burst.start);
    // Eight time constants leave less than a thousandth of the level: no audible cut.
    const auto count =
        static_cast<std::size_t>(std::ceil((kRise + 8.0 * burst.decay) * kSampleRate));
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) * kDt;
        const double level = t < kRise ? t / kRise : std::exp(-(t - kRise) / burst.decay);
        out[first + i] += burst.gain * level * filter.process(noise.next());
    }
}

void lowPass(Buffer& buf, double cutoffHz) {
    Biquad f = lowPassFilter(cutoffHz);
    for (double& x : buf)
        x = f.process(x);
}

void highPass(Buffer& buf, double cutoffHz) {
    Biquad f = highPassFilter(cutoffHz);
    for (double& x : buf)
        x = f.process(x);
}

void addReverb(Buffer& buf, double wet, double size) {
    // Parallel damped combs into series all-passes, with mutually prime delays.
    static constexpr std::size_t kCombs[] = {1116, 1188, 1277, 1356, 1422, 1491};
    static constexpr std::size_t kAllPasses[] = {556, 441, 341};
    const double feedback = std::clamp(0.6 + 0.3 * size, 0.0, 0.95);
    constexpr double kDamp = 0.3;

    Buffer room(buf.size(), 0.0);
    for (std::size_t delay : kCombs) {
        Buffer line(delay, 0.0);
        double store = 0.0;
        for (std::size_t i = 0; i < buf.size(); ++i) {
            double& slot = line[i % delay];
            const double y = slot;
            store = y * (1.0 - kDamp) + store * kDamp;
            slot = buf[i] + store * feedback;
            room[i] += y / std::size(kCombs);
        }
    }
    for (std::size_t delay : kAllPasses) {
        Buffer line(delay, 0.0);
        for (std::size_t i = 0; i < room.size(); ++i) {
            double& slot = line[i % delay];
            const double delayed = slot;
            slot = room[i] + delayed * 0.5;
            room[i] = delayed - room[i];
        }
    }
    for (std::size_t i = 0; i < buf.size(); ++i)
        buf[i] += wet * room[i];
}

void addEcho(Buffer& buf, double delaySeconds, double feedback, double mix) {
    const std::size_t delay = sampleIndex(delaySeconds);
    if (delay == 0 || delay >= buf.size()) return;
    Buffer echo(buf.size(), 0.0);
    for (std::size_t i = delay; i < buf.size(); ++i)
        echo[i] = buf[i - delay] + feedback * echo[i - delay];
    for (std::size_t i = 0; i < buf.size(); ++i)
        buf[i] += mix * echo[i];
}

void fadeEdges(Buffer& buf, double fadeIn, double fadeOut) {
    const std::size_t n = buf.size();
    const std::size_t in = std::min(n, sampleIndex(fadeIn));
    const std::size_t out = std::min(n, sampleIndex(fadeOut));
    for (std::size_t i = 0; i < in; ++i)
        buf[i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / in);
    for (std::size_t i = 0; i < out; ++i)
        buf[n - 1 - i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / out);
}

void softLimit(Buffer& buf, double drive) {
    const double peak = peakOf(buf);
    if (peak <= 0.0 || drive <= 0.0) return;
    for (double& x : buf)
        x = std::tanh(drive * x / peak);
}

double peakOf(const Buffer& buf) {
    double peak = 0.0;
    for (double x : buf)
        peak = std::max(peak, std::abs(x));
    return peak;
}

void normalise(Buffer& buf, double peakDbfs) {
    const double peak = peakOf(buf);
    if (peak <= 0.0) return;
    const double scale = std::pow(10.0, peakDbfs / 20.0) / peak;
    for (double& x : buf)
        x *= scale;
}

std::vector<std::int16_t> toPcm16(const Buffer& buf) {
    std::vector<std::int16_t> pcm;
    pcm.reserve(buf.size());
    for (double x : buf) {
        const long v = std::lround(std::clamp(x, -1.0, 1.0) * 32767.0);
        pcm.push_back(static_cast<std::int16_t>(v));
    }
    return pcm;
}

} // namespace soundgen
