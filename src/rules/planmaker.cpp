// Works out the Expert's best holds for the phases made of values and writes them as a
// C++ source file: planmaker OUTPUT.cpp
#include "rules/expertpolicy.h"
#include "rules/turnprogramme.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: planmaker OUTPUT.cpp\n");
        return 2;
    }
    std::string table;
    for (int phase = 1; phase <= rules::kPhases; ++phase) {
        if (!rules::TurnProgramme::covers(phase)) continue;
        const rules::TurnProgramme programme(phase, rules::expertWorth);
        for (int left = 1; left <= 2; ++left)
            for (int p = 0; p < rules::TurnProgramme::kPositions; ++p) {
                const std::uint16_t code = programme.holdCode(p, left);
                table += rules::kPolicyDigits[(code >> 5) & 31];
                table += rules::kPolicyDigits[code & 31];
            }
    }
    const std::string path = argv[1];
    const std::string partial = path + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << "// Written by planmaker when the game is built: the Expert's best holds.\n"
               "#include \"rules/expertpolicy.h\"\n\n"
               "namespace rules {\n\n"
               "const std::size_t kExpertPolicySize = "
            << table.size() << ";\n\nconst char kExpertPolicy[] =\n";
        for (std::size_t at = 0; at < table.size(); at += 120)
            out << "    \"" << table.substr(at, 120) << "\"\n";
        out << "    ;\n\nstatic_assert(sizeof kExpertPolicy == kPolicyChars + 1, "
               "\"the Expert's table is not the shape expertpolicy.h gives it\");\n\n"
               "} // namespace rules\n";
        if (!out) {
            std::fprintf(stderr, "planmaker: cannot write %s\n", partial.c_str());
            return 1;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "planmaker: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
