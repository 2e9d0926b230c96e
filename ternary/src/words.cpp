#include "words.h"

#if KESTROM_WORD_PATHS

namespace kestrom {
namespace words {

namespace {

constexpr u64 kOnes = 0x0101010101010101ULL;

inline u64 load8(const trit* p) {
    u64 x;
    __builtin_memcpy(&x, p, 8);
    return x;
}

inline void store8(trit* p, u64 x) { __builtin_memcpy(p, &x, 8); }

// Up to eight trits as the bytes of a word, the missing top ones zero. count 0 ... 8.
inline u64 loadShort(const trit* p, int count) {
    if (count >= 4) {
        u32 lo, hi;
        __builtin_memcpy(&lo, p, 4);
        __builtin_memcpy(&hi, p + count - 4, 4);
        return lo | (static_cast<u64>(hi) << (8 * (count - 4)));
    }
    u64 x = 0;
    for (int i = 0; i < count; ++i)
        x |= static_cast<u64>(static_cast<unsigned char>(p[i])) << (8 * i);
    return x;
}

// The low count bytes of x to p[0 ... count-1]; count 0 ... 7.
inline void storeShort(trit* p, u64 x, int count) {
    if (count >= 4) {
        const u32 lo = static_cast<u32>(x);
        __builtin_memcpy(p, &lo, 4);
        p += 4;
        x >>= 32;
        count -= 4;
    }
    for (int i = 0; i < count; ++i) p[i] = static_cast<trit>(static_cast<signed char>(x >> (8 * i)));
}

// Eight trit bytes -> their balanced value in -3280 ... 3280. Each byte plus one (added lane
// by lane, without carries between lanes) is a digit 0, 1 or 2 for a valid trit; any other
// byte gives a lane above 2, which is recorded in `bad`.
inline i64 chunkValue(u64 x, u64& bad) {
    const u64 y = ((x & 0x7f7f7f7f7f7f7f7fULL) + kOnes) ^ (x & 0x8080808080808080ULL);
    bad |= (y & 0xfcfcfcfcfcfcfcfcULL) | (y & (y >> 1) & kOnes);
    u64 z = (y & 0x00ff00ff00ff00ffULL) + ((y >> 8) & 0x00ff00ff00ff00ffULL) * 3;
    z = (z & 0x0000ffff0000ffffULL) + ((z >> 16) & 0x0000ffff0000ffffULL) * 9;
    return static_cast<i64>((z & 0xffffffffULL) + (z >> 32) * 81) - 3280;
}

// The eight trits of c - 3280 (0 <= c < 6561), one byte each.
inline u64 spread6561(u64 c) {
    const u64 hi = c / 81;
    return kTables.spread81[c - 81 * hi] | (static_cast<u64>(kTables.spread81[hi]) << 32);
}

}  // namespace

bool readTrits(const trit* s, int count, i64& value) {
    u64 bad = 0;
    if (count <= 8) {
        value = chunkValue(loadShort(s, count), bad);
        return bad == 0;
    }
    const int full = count / 8;
    const int rest = count - 8 * full;
    // Unsigned, so that invalid trits (whose value is discarded) cannot overflow.
    u64 v = 0;
    if (rest != 0) v = static_cast<u64>(chunkValue(load8(s + count - 8) >> (8 * (8 - rest)), bad));
    for (int j = full - 1; j >= 0; --j)
        v = v * 6561 + static_cast<u64>(chunkValue(load8(s + 8 * j), bad));
    value = static_cast<i64>(v);
    return bad == 0;
}

void writeTrits(trit* s, int count, i64 v) {
    u64 u = static_cast<u64>(v) + most(count);  // the base-3 digits of u are the trits + 1
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const u64 next = u / 6561;
        store8(s + i, spread6561(u - next * 6561));
        u = next;
    }
    if (i < count) storeShort(s + i, spread6561(u), count - i);
}

bool allZero(const trit* s, int count) {
    u64 any = 0;
    int i = 0;
    for (; i + 8 <= count; i += 8) any |= load8(s + i);
    if (i < count) any |= loadShort(s + i, count - i);
    return any == 0;
}

void dropLowTrits(trit* buf, int len, long long k) {
    const int kept = k > len ? 0 : static_cast<int>(len + 1 - k);
    const int shift = len + 1 - kept;
    int j = 0;
    // Each chunk is loaded before it is stored, and a store never reaches a byte that a
    // later load still needs (the source lies `shift` bytes above the destination).
    for (; j + 8 <= kept; j += 8) store8(buf + j, load8(buf + j + shift));
    for (; j < kept; ++j) buf[j] = buf[j + shift];
    for (; j + 8 <= len + 1; j += 8) store8(buf + j, 0);
    for (; j <= len; ++j) buf[j] = 0;
}

void storeNormalized(trit* resExp, trit* resMant, int expLen, int mantLen, i64 s, i64 e) {
    const int expTrits = expLen + 1;
    const u64 mag = magnitude(s);
    if (mag > most(mantLen)) {
        // The sum reached the guard: one trit is dropped and the exponent grows by one.
        writeTrits(resMant, mantLen + 1, s >= 0 ? (s + 1) / 3 : -((1 - s) / 3));
        writeTrits(resExp, expTrits, wrap(e + 1, expTrits));
        return;
    }
    if (mag == 0) {
        // Zero: the exponent's significant trits are cleared, its guard stays.
        writeTrits(resMant, mantLen + 1, 0);
        for (int i = 0; i < expLen; ++i) resExp[i] = 0;
        const i64 low = static_cast<i64>(most(expLen));
        resExp[expLen] = static_cast<trit>(e > low ? 1 : (e < -low ? -1 : 0));
        return;
    }
    int used = mantLen;
    while (mag <= most(used - 1)) --used;
    const int z = mantLen - used;  // leading zero trits, moved out at the top
    writeTrits(resMant, mantLen + 1, s * static_cast<i64>(pow3(z)));
    // The shift is subtracted as an expLen-trit string, so it is taken modulo 3^expLen.
    i64 shift = z;
    if (shift > static_cast<i64>(most(expLen))) {
        const i64 p = static_cast<i64>(pow3(expLen));
        const i64 m = static_cast<i64>(most(expLen));
        shift = (shift + m) % p - m;
    }
    writeTrits(resExp, expTrits, wrap(e - shift, expTrits));
}

bool validTrits(const trit* s, int count) {
    u64 bad = 0;
    int i = 0;
    for (; i + 8 <= count; i += 8) chunkValue(load8(s + i), bad);
    if (i < count) chunkValue(loadShort(s + i, count - i), bad);
    return bad == 0;
}

bool readLimbs(const trit* s, int count, i64* limbs) {
    bool valid = true;
    for (int j = 0; j * kLimbTrits < count; ++j) {
        const int rest = count - j * kLimbTrits;
        const bool ok = readTrits(s + j * kLimbTrits, rest < kLimbTrits ? rest : kLimbTrits, limbs[j]);
        valid = valid && ok;
    }
    return valid;
}

void writeLimbs(trit* s, int count, const i64* limbs) {
    for (int j = 0; j * kLimbTrits < count; ++j) {
        const int rest = count - j * kLimbTrits;
        writeTrits(s + j * kLimbTrits, rest < kLimbTrits ? rest : kLimbTrits, limbs[j]);
    }
}

}  // namespace words
}  // namespace kestrom

#endif  // KESTROM_WORD_PATHS
