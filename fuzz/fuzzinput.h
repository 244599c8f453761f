// An input of the fuzzer read as a stream of small decisions. Reading past the end
// gives zeros and empty strings, so every input, however short, is a valid run.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    size_t left() const { return m_size - m_pos; }

    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    // A number in [0, n).
    int below(int n) { return n <= 1 ? 0 : byte() % n; }
    bool flag() { return byte() & 1; }
    // A length byte (at most `max`), then that many bytes.
    QByteArray bytes(int max) {
        // The length byte is taken first: as arguments of one call, the two reads would
        // come in either order, and gcc's order read one byte past the input's end.
        const size_t wanted = below(max + 1);
        const size_t n = std::min(wanted, left());
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }
    QByteArray rest() {
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(left()));
        m_pos = m_size;
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A property that must hold whatever the input: report it and stop, so the fuzzer
// keeps the input as a crash and the replay test fails on it.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) fuzz::fail(#cond, __FILE__, __LINE__);                                        \
    } while (0)
