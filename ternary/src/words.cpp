#include "words.h"

#if KESTROM_WORD_PATHS

namespace kestrom {
namespace words {

using namespace detail;

void dropLowTrits(trit* buf, int len, long long k) {
    const int kept = k > len ? 0 : static_cast<int>(len + 1 - k);
    const int shift = len + 1 - kept;
    int j = 0;
    // Each chunk is loaded before it is stored, and a store never reaches a byte that a
    // later load still needs (the source lies `shift` bytes above the destination).
    for (; j + 8 <= kept; j += 8) store8(buf + j, load8(buf + j + shift));
    if (j < kept) {
        storeShort(buf + j, loadShort(buf + j + shift, kept - j), kept - j);
        j = kept;
    }
    for (; j + 8 <= len + 1; j += 8) store8(buf + j, 0);
    storeShort(buf + j, 0, len + 1 - j);
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
    writeTrits(resExp, expTrits, wrap(e - z, expTrits));
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
