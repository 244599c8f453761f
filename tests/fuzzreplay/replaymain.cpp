// Runs a fuzz target's entry function over the saved inputs: every crash the fuzzer
// ever found (fuzz/regressions/<target>) and the seed corpus (fuzz/corpus/<target>),
// in the plain build, so a fault that comes back fails the suite.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputsUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

// Arguments: folders (or single files) of inputs.
int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path where(argv[i]);
        const std::vector<fs::path> files =
            fs::is_directory(where) ? inputsUnder(where) : std::vector<fs::path>{where};
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
