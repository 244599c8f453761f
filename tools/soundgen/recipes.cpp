#include "recipes.h"

#include <map>

namespace soundgen {

namespace {

constexpr double kDefaultPeakDb = -3.0;

// Rumble removed, both ends faded to silence, peak set: every sound leaves here.
Buffer master(Buffer buf, double peakDb = kDefaultPeakDb) {
    highPass(buf, 40.0);
    fadeEdges(buf, 0.002, 0.02);
    normalise(buf, peakDb);
    return buf;
}

Tone note(double start, double held, double midi, double gain, const Adsr& env,
          const std::vector<Partial>& partials, Wave wave = Wave::Sine) {
    Tone t;
    t.start = start;
    t.held = held;
    t.freq = midiToHz(midi);
    t.gain = gain;
    t.env = env;
    t.partials = partials;
    t.wave = wave;
    return t;
}

// A soft pop: a short downward pitch sweep with a touch of noise for the contact.
Buffer renderClick(double fromHz, double toHz, double noiseCentre, double noiseGain, double peakDb,
                   std::uint64_t seed) {
    Buffer buf = silence(0.12);
    Tone pop;
    pop.start = 0.003;
    pop.held = 0.018;
    pop.freq = fromHz;
    pop.endFreq = toHz;
    pop.env = {0.0015, 0.012, 0.0, 0.03};
    pop.partials = {{1.0, 1.0, 0.0}, {2.0, 0.2, 60.0}};
    addTone(buf, pop);
    Noise noise(seed);
    addBurst(buf, {0.003, 0.0025, noiseCentre, 0.9, noiseGain}, noise);
    addReverb(buf, 0.1, 0.2);
    return master(buf, peakDb);
}

// One die striking the cup, another die or the table.
void addDieHit(Buffer& buf, Noise& noise, double at, double strength, bool landing) {
    addBurst(buf, {at, landing ? 0.006 : 0.003, noise.uniform(2500.0, 5500.0), 1.5, strength},
             noise);
    Tone clack; // the die's own short, slightly inharmonic ring
    clack.start = at;
    clack.held = 0.008;
    clack.freq = noise.uniform(1900.0, 3200.0);
    clack.gain = 0.45 * strength;
    clack.env = {0.0008, 0.008, 0.0, landing ? 0.03 : 0.015};
    clack.partials = {{1.0, 1.0, 0.0}, {2.71, 0.5, 120.0}};
    addTone(buf, clack);
    if (!landing) return;
    Tone thud; // the table under it
    thud.start = at;
    thud.held = 0.01;
    thud.freq = 160.0;
    thud.endFreq = 110.0;
    thud.gain = 0.6 * strength;
    thud.env = {0.002, 0.015, 0.0, 0.03};
    addTone(buf, thud);
}

Buffer renderDice() {
    Buffer buf = silence(0.62);
    Noise noise(0xD1CE);
    // Shaking in the cup: many light knocks at an uneven pace...
    for (double t = 0.006; t < 0.26; t += noise.uniform(0.012, 0.03))
        addDieHit(buf, noise, t, noise.uniform(0.25, 0.6), false);
    // ...then the dice land and bounce to rest.
    const double landings[][2] = {{0.29, 1.0}, {0.33, 0.8},  {0.355, 0.7},
                                  {0.39, 0.5}, {0.42, 0.35}, {0.445, 0.2}};
    for (const auto& [at, strength] : landings)
        addDieHit(buf, noise, at + noise.uniform(-0.004, 0.004), strength, true);
    addReverb(buf, 0.2, 0.2);
    softLimit(buf, 2.0); // the landing would otherwise dwarf the rattle
    return master(buf);
}

// Two mellow bar tones, high then low.
Buffer renderTurn() {
    const std::vector<Partial> chime = {
        {1.0, 1.0, 0.0}, {2.0, 0.3, 4.0}, {3.0, 0.12, 7.0}, {4.2, 0.05, 12.0}};
    const Adsr bell{0.003, 0.45, 0.0, 0.15};
    Buffer buf = silence(1.15);
    addTone(buf, note(0.005, 0.5, 76, 1.0, bell, chime)); // E5
    addTone(buf, note(0.33, 0.55, 72, 1.0, bell, chime)); // C5
    addReverb(buf, 0.25, 0.7);
    return master(buf);
}

// Four quick mallet notes with an echo: the newer-sounding turn signal.
Buffer renderTurnNew() {
    const std::vector<Partial> mallet = {{1.0, 1.0, 0.0}, {4.0, 0.3, 35.0}, {9.2, 0.04, 80.0}};
    const Adsr pluck{0.002, 0.16, 0.0, 0.08};
    const Adsr ring{0.002, 0.3, 0.0, 0.12};
    Buffer buf = silence(0.95);
    addTone(buf, note(0.005, 0.2, 84, 0.9, pluck, mallet));  // C6
    addTone(buf, note(0.085, 0.2, 79, 0.8, pluck, mallet));  // G5
    addTone(buf, note(0.165, 0.2, 88, 0.85, pluck, mallet)); // E6
    addTone(buf, note(0.245, 0.35, 91, 1.0, ring, mallet));  // G6
    addTone(buf, note(0.245, 0.35, 84, 0.25, ring, {{1.0, 1.0, 0.0}, {3.0, 0.1, 0.0}}));
    addEcho(buf, 0.12, 0.25, 0.3);
    addReverb(buf, 0.12, 0.4);
    return master(buf);
}

// A bright rising major arpeggio.
Buffer renderGotPoints() {
    const std::vector<Partial> soft = {{1.0, 1.0, 0.0}, {2.0, 0.15, 10.0}};
    const Adsr env{0.003, 0.2, 0.15, 0.1};
    const double notes[] = {72, 76, 79, 84, 88}; // C5 E5 G5 C6 E6
    Buffer buf = silence(0.9);
    for (int i = 0; i < 5; ++i) {
        const bool last = i == 4;
        addTone(buf, note(0.005 + 0.07 * i, last ? 0.3 : 0.12, notes[i], 0.75 + 0.05 * i, env, soft,
                          Wave::Triangle));
    }
    lowPass(buf, 7000.0); // keeps the triangles' upper harmonics from folding back
    addReverb(buf, 0.2, 0.5);
    return master(buf);
}

// A muted two-step fall with a sagging, wavering second note.
Buffer renderNoPoints() {
    const std::vector<Partial> reedy = {{1.0, 1.0, 0.0},  {2.0, 0.5, 0.0}, {3.0, 0.33, 0.0},
                                        {4.0, 0.25, 0.0}, {5.0, 0.2, 0.0}, {6.0, 0.15, 0.0}};
    const Adsr env{0.03, 0.12, 0.75, 0.15};
    Buffer buf = silence(0.9);
    Tone first = note(0.005, 0.16, 67, 0.9, env, reedy); // G4, sliding a little
    first.endFreq = midiToHz(66);
    addTone(buf, first);
    Tone second = note(0.22, 0.33, 65, 1.0, env, reedy); // F4 sagging to D4
    second.endFreq = midiToHz(62);
    second.vibratoRate = 5.5;
    second.vibratoDepth = 0.012;
    addTone(buf, second);
    lowPass(buf, 1800.0);
    addReverb(buf, 0.15, 0.5);
    return master(buf);
}

// Brass-like fanfare: three pick-up notes, a long one, a lead-in and a held chord.
Buffer renderWinner() {
    const std::vector<Partial> brass = {{1.0, 1.0, 0.0}, {2.0, 0.75, 0.0}, {3.0, 0.55, 0.0},
                                        {4.0, 0.4, 0.0}, {5.0, 0.25, 0.0}, {6.0, 0.15, 0.0},
                                        {7.0, 0.08, 0.0}};
    const Adsr env{0.025, 0.08, 0.7, 0.09};
    const Adsr chordEnv{0.03, 0.15, 0.75, 0.2};
    Buffer buf = silence(1.55);
    for (double at : {0.005, 0.115, 0.225})
        addTone(buf, note(at, 0.08, 67, 0.8, env, brass));
    addTone(buf, note(0.335, 0.22, 72, 0.9, env, brass));
    addTone(buf, note(0.6, 0.08, 67, 0.8, env, brass));
    for (double midi : {72.0, 76.0, 79.0}) { // C5 E5 G5
        Tone t = note(0.72, 0.45, midi, 0.55, chordEnv, brass);
        t.vibratoRate = 5.0;
        t.vibratoDepth = 0.006;
        addTone(buf, t);
    }
    addTone(buf, note(0.72, 0.45, 48, 0.5, chordEnv, {{1.0, 1.0, 0.0}, {2.0, 0.4, 0.0}})); // C3
    lowPass(buf, 5000.0);
    addReverb(buf, 0.2, 0.45);
    return master(buf);
}

// One struck metal bar: a bright, slowly fading ding.
Buffer renderEntered() {
    const std::vector<Partial> bar = {
        {1.0, 1.0, 0.0}, {2.0, 0.35, 2.5}, {2.76, 0.2, 4.0}, {5.4, 0.1, 8.0}, {8.93, 0.04, 14.0}};
    Buffer buf = silence(1.05);
    addTone(buf, note(0.005, 0.7, 81, 1.0, {0.002, 0.5, 0.0, 0.25}, bar)); // A5
    addReverb(buf, 0.2, 0.6);
    return master(buf);
}

using Renderer = Buffer (*)();

const std::map<std::string, Renderer>& renderers() {
    static const std::map<std::string, Renderer> table = {
        {"dice", renderDice},
        {"select", [] { return renderClick(1300.0, 750.0, 4500.0, 0.35, -3.5, 0x5E1EC7); }},
        {"unset", [] { return renderClick(700.0, 420.0, 2500.0, 0.2, -6.0, 0x0A5E7); }},
        {"turn", renderTurn},
        {"turnnew", renderTurnNew},
        {"gotpoints", renderGotPoints},
        {"nopoints", renderNoPoints},
        {"winner", renderWinner},
        {"entered", renderEntered},
    };
    return table;
}

} // namespace

const std::vector<std::string>& soundNames() {
    static const std::vector<std::string> names = {
        "dice", "select", "unset", "turn", "turnnew", "gotpoints", "nopoints", "winner", "entered"};
    return names;
}

Buffer renderSound(const std::string& name) {
    const auto it = renderers().find(name);
    return it == renderers().end() ? Buffer{} : it->second();
}

} // namespace soundgen
