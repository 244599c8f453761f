// The block engine: one 32768-byte block in, its coded form out, and back.
#include "tally/core/LZRW1KH.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr int kMaxCopy = 18;
constexpr int kMaxRun = 4095;
constexpr int kMinRun = 16;
constexpr int kWindow = 4096;
constexpr uint8_t kStored = 0x80;
constexpr uint8_t kCoded = 0x40;

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Length of the common prefix of a and b, at most limit (<= 18). With the whole
// 18 bytes available the first 16 are compared eight at a time.
inline int matchLength(const uint8_t* a, const uint8_t* b, int limit) {
    int m = 0;
    if constexpr (kLittleEndian) {
        if (limit == kMaxCopy) {
            for (; m < 16; m += 8) {
                const uint64_t diff = load64(a + m) ^ load64(b + m);
                if (diff) return m + (std::countr_zero(diff) >> 3);
            }
        }
    }
    while (m < limit && a[m] == b[m])
        ++m;
    return m;
}

// Number of bytes equal to s[x] from x on, at most 4095, never past n.
inline int runLength(const uint8_t* s, int x, int n) {
    const int limit = std::min(kMaxRun, n - x);
    const uint8_t v = s[x];
    int r = 1;
    if constexpr (kLittleEndian) {
        const uint64_t pattern = v * 0x0101010101010101ull;
        for (; r + 8 <= limit; r += 8) {
            const uint64_t diff = load64(s + x + r) ^ pattern;
            if (diff) return r + (std::countr_zero(diff) >> 3);
        }
    }
    while (r < limit && s[x + r] == v)
        ++r;
    return r;
}

// Copies len (3..18) bytes from dist back; the copy may overlap its own output. The
// caller has checked dist and the block limit; with room for it, 24 bytes are moved
// in three fixed steps and the surplus is overwritten by later items.
inline void copyBack(uint8_t* out, int dist, int len, int room) {
    const uint8_t* from = out - dist;
    if (dist >= 8 && room >= 24) {
        std::memcpy(out, from, 8);
        std::memcpy(out + 8, from + 8, 8);
        std::memcpy(out + 16, from + 16, 8);
        return;
    }
    for (int i = 0; i < len; ++i)
        out[i] = from[i];
}

inline uint32_t hashSlot(uint32_t b0, uint32_t b1, uint32_t b2) {
    return (((((b0 << 4) ^ b1) << 4) ^ b2) * 40543u >> 4) & 0x0FFF;
}

// The table slots of positions [from, to), worked out ahead of the coding loop in one
// pass the compiler can vectorise: only the low 16 bits of the product are kept by
// hashSlot, so 16-bit arithmetic gives the same slots.
void fillSlots(const uint8_t* s, int from, int to, uint16_t* out) {
    for (int i = from; i < to; ++i) {
        const uint16_t key = uint16_t((s[i] << 8) ^ (s[i + 1] << 4) ^ s[i + 2]);
        out[i - from] = uint16_t(key * uint16_t(40543)) >> 4;
    }
}

} // namespace

TLZR::TLZR()
    : m_hash(new (std::nothrow) int16_t[kHashSize]),
      m_slots(new (std::nothrow) uint16_t[kSlotAhead]) {
    if (!m_hash || !m_slots)
        throw ELzrw1KHCompressor(QStringLiteral("LZRW1KH : no memory for HASH table"));
}

int TLZR::CompressBlock(const uint8_t* s, int n, uint8_t* d) {
    // "No position" is stored as -4096: too far back for every x, so one distance
    // test rejects both empty and stale entries.
    int16_t* const table = m_hash.get();
    std::fill_n(table, kHashSize, int16_t(-kWindow));
    uint16_t* const ahead = m_slots.get();
    int slotBase = 0, fastEnd = 0; // ahead[i] is the table slot of position slotBase + i
    d[0] = kCoded;
    int x = 0, y = 3, z = 1, g = 0; // input, output, control word position, items
    uint32_t c = 0;                 // control bits; only the low 16 are written
    auto emitRun = [&](int r, uint8_t v) {
        const int k = r - kMinRun;
        d[y] = 0;
        d[y + 1] = uint8_t(k >> 8);
        d[y + 2] = uint8_t(k);
        d[y + 3] = v;
        y += 4;
        x += r;
        c = (c << 1) | 1;
    };
    auto emitCopy = [&](int p, int m) {
        const int k = (x - p) * 16 + (m - 3);
        d[y] = uint8_t(k >> 8);
        d[y + 1] = uint8_t(k);
        y += 2;
        x += m;
        c = (c << 1) | 1;
    };
    // Enters x in the table; returns the previous position with the same hash.
    auto candidate = [&](uint32_t slot) {
        const int p = table[slot];
        table[slot] = int16_t(x);
        return p;
    };
    // Stops as soon as the output outgrows the input: the block is then stored.
    while (x < n && y <= n) {
        if (x >= fastEnd && kLittleEndian && n - x >= kMaxCopy) {
            slotBase = x;
            const int end = std::min(x + kSlotAhead, n - 2);
            fillSlots(s, slotBase, end, ahead);
            fastEnd = std::min(end, n - kMaxCopy + 1);
        }
        if (g == 16) {
            // A control word slot is reserved only when a 17th item follows.
            d[z] = uint8_t(c >> 8);
            d[z + 1] = uint8_t(c);
            z = y;
            g = 0;
            y += 2;
        }
        ++g;
        if (x < fastEnd) {
            // At least 18 bytes left: every load is in bounds and a copy may take all 18.
            // Bytes are picked out of words in little-endian order.
            const uint32_t w = load32(s + x);
            if (((w ^ (w >> 8)) & 0xFF) == 0) [[unlikely]] {
                const int r = runLength(s, x, n);
                if (r >= kMinRun) {
                    emitRun(r, uint8_t(w));
                    continue;
                }
            }
            const int p = candidate(ahead[x - slotBase]);
            if (x - p < kWindow) {
                const uint64_t diff = load64(s + x) ^ load64(s + p);
                // Deciding on the first three bytes alone resolves the branch sooner.
                if ((diff & 0xFFFFFF) == 0) {
                    emitCopy(p, diff ? std::countr_zero(diff) >> 3
                                     : matchLength(s + x, s + p, kMaxCopy));
                    continue;
                }
            }
        } else {
            const int r = (x + 1 < n && s[x + 1] == s[x]) ? runLength(s, x, n) : 1;
            if (r >= kMinRun) {
                emitRun(r, s[x]);
                continue;
            }
            // Within two bytes of the end no copy of 3 is possible, and the table
            // entry such a position would leave could never be matched either.
            if (n - x >= 3) {
                const int p = candidate(hashSlot(s[x], s[x + 1], s[x + 2]));
                const int m = x - p < kWindow ? matchLength(s + x, s + p, n - x) : 0;
                if (m >= 3) {
                    emitCopy(p, m);
                    continue;
                }
            }
        }
        d[y++] = s[x++];
        c <<= 1;
    }
    c = (c << (16 - g)) & 0xFFFF;
    d[z] = uint8_t(c >> 8);
    d[z + 1] = uint8_t(c);
    if (y > n) {
        d[0] = kStored;
        std::memcpy(d + 1, s, size_t(n));
        return n + 1;
    }
    return y;
}

int TLZR::DecompressBlock(const uint8_t* b, int length, uint8_t* d) {
    if (length <= 1) return 0;
    if (length > kMaxBlockData) return -1;
    if (b[0] == kStored) {
        std::memcpy(d, b + 1, size_t(length - 1));
        return length - 1;
    }
    if (length < 3) return 0;
    int x = 3, y = 0, bits = 16;
    uint32_t c = (uint32_t(b[1]) << 8) | b[2]; // the next item's bit is bit 15
    while (x < length) {
        if (bits == 0) {
            // A control word is always followed by at least one item.
            if (length - x < 3) return -1;
            c = (uint32_t(b[x]) << 8) | b[x + 1];
            x += 2;
            bits = 16;
        }
        // Consecutive literals (the leading zero bits) move in one go.
        const int literals = std::min({std::countl_zero(uint16_t(c)), bits, length - x});
        if (literals > 0) {
            if (literals > kBlockSize - y) return -1;
            if (length - x >= 16 && kBufferSize - y >= 16)
                std::memcpy(d + y, b + x, 16); // the surplus is overwritten later
            else
                std::memcpy(d + y, b + x, size_t(literals));
            x += literals;
            y += literals;
            c <<= literals;
            bits -= literals;
            continue;
        }
        if (length - x < 2) return -1;
        const int dist = (b[x] << 4) | (b[x + 1] >> 4);
        if (dist == 0) {
            if (length - x < 4) return -1;
            const int len = ((b[x + 1] << 8) | b[x + 2]) + kMinRun;
            if (len > kBlockSize - y) return -1;
            std::memset(d + y, b[x + 3], size_t(len));
            y += len;
            x += 4;
        } else {
            const int len = (b[x + 1] & 0x0F) + 3;
            if (dist > y || len > kBlockSize - y) return -1;
            copyBack(d + y, dist, len, kBufferSize - y);
            y += len;
            x += 2;
        }
        c <<= 1;
        --bits;
    }
    return y;
}
