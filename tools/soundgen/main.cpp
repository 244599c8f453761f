// soundgen OUTDIR [NAME...]
// Renders the game's sound effects and writes them as OUTDIR/NAME.wav (all nine
// when no names are given). The WAV files under resources/sounds come from here.
#include "recipes.h"
#include "wavfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int writeOne(const std::string& dir, const std::string& name) {
    const soundgen::Buffer buf = soundgen::renderSound(name);
    if (buf.empty()) {
        std::fprintf(stderr, "soundgen: unknown sound '%s'\n", name.c_str());
        return 1;
    }
    const std::string path = dir + "/" + name + ".wav";
    const auto pcm = soundgen::toPcm16(buf);
    if (!soundgen::writeWav(path, pcm, soundgen::kSampleRate)) {
        std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%-10s %5.3f s  peak %6.2f dBFS  %7zu bytes\n", name.c_str(),
                static_cast<double>(pcm.size()) / soundgen::kSampleRate,
                20.0 * std::log10(soundgen::peakOf(buf)), 44 + 2 * pcm.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soundgen OUTDIR [NAME...]\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::string> names(argv + 2, argv + argc);
    if (names.empty()) names = soundgen::soundNames();
    int failures = 0;
    for (const std::string& name : names)
        failures += writeOne(dir, name);
    return failures == 0 ? 0 : 1;
}
