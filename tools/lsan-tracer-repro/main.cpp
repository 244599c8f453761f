// Exits after one dynamic TLS block has been allocated, wherever the heap puts it.
//   tlsrepro LIBRARY N: takes N 16-byte blocks first (kept), then uses the library's TLS.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

static char* kept[4096];

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: tlsrepro LIBRARY N\n"), 2;
    void* library = dlopen(argv[1], RTLD_NOW);
    if (!library) return std::fprintf(stderr, "%s\n", dlerror()), 2;
    const auto touch = reinterpret_cast<void* (*)()>(dlsym(library, "tlsmod_touch"));
    for (int i = 0; i < std::atoi(argv[2]) && i < 4096; ++i)
        kept[i] = new char[16]; // moves where the next small block lands
    const auto block = reinterpret_cast<std::uintptr_t>(touch());
    std::fprintf(stderr, "TLS block %lu bytes into a page\n",
                 static_cast<unsigned long>(block % 4096));
    return 0; // LeakSanitizer's check runs now
}
