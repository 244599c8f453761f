// The block engine: one 32768-byte block in, its coded form out, and back.
#include "tally/core/LZRW1KH.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
// pass: only the low 16 bits of the product are kept by hashSlot, so 16-bit arithmetic
// gives the same slots. Reads s up to to + 1.
void fillSlots(const uint8_t* s, int from, int to, uint16_t* out) {
    int i = from;
#ifdef __SSE2__
    // Sixteen positions at a time, without widening the bytes first: the key's high
    // byte is a ^ (b >> 4) and its low byte (b << 4) ^ c.
    const __m128i low4 = _mm_set1_epi8(0x0F), high4 = _mm_set1_epi8(char(0xF0));
    const __m128i factor = _mm_set1_epi16(int16_t(40543));
    for (; i + 16 <= to; i += 16) {
        const auto at = [&](int k) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + k));
        };
        const __m128i a = at(0), b = at(1), c = at(2);
        const __m128i hi = _mm_xor_si128(a, _mm_and_si128(_mm_srli_epi16(b, 4), low4));
        const __m128i lo = _mm_xor_si128(c, _mm_and_si128(_mm_slli_epi16(b, 4), high4));
        const auto slotsOf = [&](__m128i key) {
            return _mm_srli_epi16(_mm_mullo_epi16(key, factor), 4);
        };
        auto* o = reinterpret_cast<__m128i*>(out + (i - from));
        _mm_storeu_si128(o, slotsOf(_mm_unpacklo_epi8(lo, hi)));
        _mm_storeu_si128(o + 1, slotsOf(_mm_unpackhi_epi8(lo, hi)));
    }
#endif
    for (; i < to; ++i) {
        const uint16_t key = uint16_t((s[i] << 8) ^ (s[i + 1] << 4) ^ s[i + 2]);
        out[i - from] = uint16_t(uint32_t(key) * 40543u) >> 4; // 16-bit wrap, as the SIMD lanes do
    }
}

// Where the coder stands in a block: input x, output y, the reserved control word at z,
// the items g of its group so far and their bits c (only the low 16 are written).
struct Cursor {
    int x = 0, y = 3, z = 1, g = 0;
    uint32_t c = 0;
};

// Reserves the next control word when a 17th item is about to follow.
inline void openItem(uint8_t* d, Cursor& k) {
    if (k.g == 16) {
        d[k.z] = uint8_t(k.c >> 8);
        d[k.z + 1] = uint8_t(k.c);
        k.z = k.y;
        k.g = 0;
        k.y += 2;
    }
    ++k.g;
}

inline void putRun(uint8_t* d, Cursor& k, int r, uint8_t v) {
    const int e = r - kMinRun;
    d[k.y] = 0;
    d[k.y + 1] = uint8_t(e >> 8);
    d[k.y + 2] = uint8_t(e);
    d[k.y + 3] = v;
    k.y += 4;
    k.x += r;
    k.c = (k.c << 1) | 1;
}

inline void putCopy(uint8_t* d, Cursor& k, int dist, int m) {
    const int e = dist * 16 + (m - 3);
    d[k.y] = uint8_t(e >> 8);
    d[k.y + 1] = uint8_t(e);
    k.y += 2;
    k.x += m;
    k.c = (k.c << 1) | 1;
}

void resetTable(int16_t* table) {
    // "No position" is stored as -4096: too far back for every x, so one distance
    // test rejects both empty and stale entries.
    std::fill_n(table, TLZR::kHashSize, int16_t(-kWindow));
}

// Codes the rest of the block item by item with every bound checked, then writes the
// last control word; falls back to the stored form when the output outgrew the input.
int codeTail(const uint8_t* s, int n, uint8_t* d, int16_t* table, Cursor k) {
    while (k.x < n && k.y <= n) {
        openItem(d, k);
        const int x = k.x;
        const int r = (x + 1 < n && s[x + 1] == s[x]) ? runLength(s, x, n) : 1;
        if (r >= kMinRun) {
            putRun(d, k, r, s[x]);
            continue;
        }
        // Within two bytes of the end no copy of 3 is possible, and the table entry
        // such a position would leave could never be matched either.
        if (n - x >= 3) {
            const uint32_t slot = hashSlot(s[x], s[x + 1], s[x + 2]);
            const int p = table[slot];
            table[slot] = int16_t(x);
            const int m =
                x - p < kWindow ? matchLength(s + x, s + p, std::min(kMaxCopy, n - x)) : 0;
            if (m >= 3) {
                putCopy(d, k, x - p, m);
                continue;
            }
        }
        d[k.y++] = s[k.x++];
        k.c <<= 1;
    }
    const uint32_t c = (k.c << (16 - k.g)) & 0xFFFF;
    d[k.z] = uint8_t(c >> 8);
    d[k.z + 1] = uint8_t(c);
    if (k.y > n) {
        d[0] = kStored;
        std::memcpy(d + 1, s, size_t(n));
        return n + 1;
    }
    return k.y;
}

// Codes on from k while at least 18 bytes of the block remain, so every load stays
// inside it and a copy may take all 18. Table slots are worked out ahead in `ahead`.
Cursor codeAhead(const uint8_t* s, int n, uint8_t* d, int16_t* table, uint16_t* ahead, Cursor k) {
    const int fastEnd = n - kMaxCopy + 1;
    int slotBase = 0, slotEnd = 0; // ahead[i] is the slot of position slotBase + i
    while (k.x < fastEnd && k.y <= n) {
        if (k.x >= slotEnd) {
            slotBase = k.x;
            slotEnd = std::min(k.x + TLZR::kSlotAhead, fastEnd);
            fillSlots(s, slotBase, slotEnd, ahead);
        }
        openItem(d, k);
        const int x = k.x;
        const uint32_t w = load32(s + x); // bytes picked out in little-endian order
        if (((w ^ (w >> 8)) & 0xFF) == 0) [[unlikely]] {
            const int r = runLength(s, x, n);
            if (r >= kMinRun) {
                putRun(d, k, r, uint8_t(w));
                continue;
            }
        }
        const uint32_t slot = ahead[x - slotBase];
        const int p = table[slot];
        table[slot] = int16_t(x);
        if (x - p < kWindow) {
            const uint64_t diff = load64(s + x) ^ load64(s + p);
            // Deciding on the first three bytes alone resolves the branch sooner.
            if ((diff & 0xFFFFFF) == 0) {
                putCopy(d, k, x - p,
                        diff ? std::countr_zero(diff) >> 3 : matchLength(s + x, s + p, kMaxCopy));
                continue;
            }
        }
        d[k.y++] = uint8_t(w);
        ++k.x;
        k.c <<= 1;
    }
    return k;
}

#ifdef __SSE2__

inline __m128i load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit i is set when a[i] == b[i], for i from 0 to 17.
inline uint32_t equalBytes(const uint8_t* a, const uint8_t* b) {
    const auto mask = [](__m128i u, __m128i v) {
        return uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(u, v)));
    };
    return mask(load128(a), load128(b)) | mask(load128(a + 2), load128(b + 2)) << 2;
}

// A block coded in step with the others of its group. Wide indices spare the
// sign extensions in the hot loop.
struct Lane {
    ptrdiff_t x = 0, y = 3, z = 1;
    uint32_t c = 0;
    ptrdiff_t filled = 0; // the lane's ring holds the slots of positions below this
};

constexpr int kGroupItems = 16;
constexpr ptrdiff_t kRingMask = TLZR::kSlotAhead - 1;
static_assert((TLZR::kSlotAhead & kRingMask) == 0);
constexpr ptrdiff_t kGroupOut = 2 + kGroupItems * 4; // the most a group of items writes
// A group may start below this input position: its items then all have 18 bytes ahead.
constexpr ptrdiff_t kGroupStart = TLZR::kBlockSize - kMaxCopy + 1 - kGroupItems * kMaxCopy;

// Works out, in one pass the compiler can vectorise, the table slots of the positions
// the lane's next group may reach. Each lane keeps them in a ring: position x at
// x & kRingMask, so no position is worked out twice.
void fillRing(const uint8_t* s, uint16_t* ring, Lane& ln) {
    if (ln.filled >= ln.x + kGroupItems * kMaxCopy) return;
    ptrdiff_t from = std::max(ln.filled, ln.x);
    const ptrdiff_t to = std::min(ln.x + TLZR::kSlotAhead, kGroupStart + kGroupItems * kMaxCopy);
    while (from < to) {
        const ptrdiff_t stop = std::min(to, (from | kRingMask) + 1); // where the ring wraps
        fillSlots(s, int(from), int(stop), ring + (from & kRingMask));
        from = stop;
    }
    ln.filled = to;
}

// One item of lane L of a group of full blocks laid out one after another. Only runs
// branch: a mispredicted literal-or-copy branch would stall every lane, while doing
// the work of both costs only a few instructions. Returns false when a run left too
// little of the block for the rest of the group.
template <int L>
inline bool laneItem(const uint8_t* source, uint8_t* dest, int16_t* tables, uint16_t* rings,
                     Lane& ln) {
    const uint8_t* const s = source + L * TLZR::kBlockSize;
    uint8_t* const d = dest + L * TLZR::kBufferSize;
    int16_t* const table = tables + L * TLZR::kHashSize;
    const ptrdiff_t x = ln.x;
    const uint64_t w = load64(s + x);
    if (w == std::rotr(w, 8) && load64(s + x + 8) == w) [[unlikely]] {
        const int r = runLength(s, int(x), TLZR::kBlockSize);
        Cursor k{int(x), int(ln.y), 0, 0, ln.c};
        putRun(d, k, r, uint8_t(w));
        ln.x = k.x;
        ln.y = k.y;
        ln.c = k.c;
        if (ln.x >= kGroupStart) return false;
        // The run may have jumped past the slots worked out for this group.
        fillRing(s, rings + L * TLZR::kSlotAhead, ln);
        return true;
    }
    const uint32_t slot = rings[L * TLZR::kSlotAhead + (x & kRingMask)];
    const ptrdiff_t p = table[slot];
    table[slot] = int16_t(x);
    // An empty entry points before the block. Later lanes may read there (the previous
    // block); the first one reads position 0 instead. Either way the distance test
    // below turns the item into a literal.
    const ptrdiff_t q = L == 0 ? p & ~(p >> 63) : p;
    const ptrdiff_t dist = x - p;
    const uint32_t m = uint32_t(std::countr_zero(~equalBytes(s + x, s + q) | 1u << kMaxCopy));
    const uint32_t near = uint32_t((dist - kWindow) >> 63);      // all ones when in reach
    const uint32_t copy = near & uint32_t(int32_t(2 - m) >> 31); // all ones when m >= 3
    const uint32_t item = __builtin_bswap16(uint16_t(dist * 16 + (m - 3)));
    // A literal writes a second byte too; the next item or control word overwrites it.
    const uint16_t out = uint16_t(((item ^ uint32_t(w)) & copy) ^ uint32_t(w));
    std::memcpy(d + ln.y, &out, 2);
    ln.y += 1 + (copy & 1);
    ln.x = x + 1 + ((m - 1) & copy);
    ln.c = ln.c * 2 + (copy & 1);
    return true;
}

// Closes lane i's block: the lanes rarely end together, and the one behind goes on alone.
int finishLane(const uint8_t* source, uint8_t* dest, int16_t* tables, uint16_t* ahead, int i,
               const Lane& ln, int g) {
    const uint8_t* const s = source + i * TLZR::kBlockSize;
    uint8_t* const d = dest + i * TLZR::kBufferSize;
    int16_t* const table = tables + i * TLZR::kHashSize;
    Cursor k{int(ln.x), int(ln.y), int(ln.z), g, ln.c};
    k = codeAhead(s, TLZR::kBlockSize, d, table, ahead, k);
    return codeTail(s, TLZR::kBlockSize, d, table, k);
}

inline bool groupFits(const Lane& ln) {
    return ln.x < kGroupStart && ln.y + kGroupOut <= TLZR::kBlockSize;
}

// Reserves the next control word of a lane whose group of 16 items is complete.
inline void nextGroup(uint8_t* d, Lane& ln) {
    d[ln.z] = uint8_t(ln.c >> 8);
    d[ln.z + 1] = uint8_t(ln.c);
    ln.z = ln.y;
    ln.y += 2;
}

// Codes TLZR::kLanes full blocks in step, in groups of 16 items while both lanes are
// far enough from their blocks' ends, then finishes each on its own. The lanes are
// named rather than kept in an array so that they stay in registers.
void codeLanes(const uint8_t* source, uint8_t* dest, int16_t* tables, uint16_t* ahead,
               int* lengths) {
    static_assert(TLZR::kLanes == 2);
    Lane a, b;
    int ga = 0, gb = 0; // items of the current group in each lane
    for (int i = 0; i < TLZR::kLanes; ++i) {
        resetTable(tables + i * TLZR::kHashSize);
        dest[i * TLZR::kBufferSize] = kCoded;
    }
    uint16_t* const rings = ahead;
    while (groupFits(a) && groupFits(b)) {
        fillRing(source, rings, a);
        fillRing(source + TLZR::kBlockSize, rings + TLZR::kSlotAhead, b);
        if (ga == kGroupItems) {
            nextGroup(dest, a);
            nextGroup(dest + TLZR::kBufferSize, b);
        }
        for (ga = gb = 0; ga < kGroupItems;) {
            ++ga;
            if (!laneItem<0>(source, dest, tables, rings, a)) goto finish;
            ++gb;
            if (!laneItem<1>(source, dest, tables, rings, b)) goto finish;
        }
    }
finish:
    lengths[0] = finishLane(source, dest, tables, ahead, 0, a, ga);
    lengths[1] = finishLane(source, dest, tables, ahead, 1, b, gb);
}

#endif

} // namespace

TLZR::TLZR()
    : m_hash(new (std::nothrow) int16_t[kHashSize * kLanes]),
      m_slots(new (std::nothrow) uint16_t[kSlotAhead * kLanes]) {
    if (!m_hash || !m_slots)
        throw ELzrw1KHCompressor(QStringLiteral("LZRW1KH : no memory for HASH table"));
}

int TLZR::CompressBlock(const uint8_t* s, int n, uint8_t* d) {
    int16_t* const table = m_hash.get();
    resetTable(table);
    d[0] = kCoded;
    Cursor k;
    if constexpr (kLittleEndian) k = codeAhead(s, n, d, table, m_slots.get(), k);
    return codeTail(s, n, d, table, k);
}

void TLZR::CompressBlocks(const uint8_t* source, uint8_t* dest, int* lengths) {
#ifdef __SSE2__
    codeLanes(source, dest, m_hash.get(), m_slots.get(), lengths);
#else
    for (int i = 0; i < kLanes; ++i)
        lengths[i] = CompressBlock(source + i * kBlockSize, kBlockSize, dest + i * kBufferSize);
#endif
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
