// SPDX-License-Identifier: MIT
// Trits <-> limbs with plain integer arithmetic, eight trits a step: the conversions for any
// processor, and the ones the build uses where SSE2 is not available or not wanted.
#ifndef KESTROM_WORDS_CONVERT_GENERIC_H
#define KESTROM_WORDS_CONVERT_GENERIC_H

#include "bytes.h"
#include "radix3.h"

namespace kestrom {
namespace words {

// Reads count trits (0 <= count <= kWordTrits) starting at s and returns whether every one of
// them is -1, 0 or +1; if so, value receives their balanced-ternary value. Reads s[0 ... count-1]
// only.
KESTROM_INLINE bool readTrits(const trit* s, int count, limb& value) {
    using namespace bytes;
    u64 bad = 0;
    if (count <= 8) {
        value = chunkValue(loadShort(s, count), bad);
        return bad == 0;
    }
    // Chunks of eight trits, the last one loaded so that it ends at s + count; their values
    // are independent and are weighted by 6561^j. Unsigned, so that invalid trits (whose
    // value is discarded) cannot overflow.
    const int full = (count - 1) / 8;   // chunks below the last one, 1 ... 4
    const int rest = count - 8 * full;  // 1 ... 8 trits in the last one
    ulimb v = static_cast<ulimb>(chunkValue(load8(s + count - 8) >> (8 * (8 - rest)), bad)) *
              pow3(8 * full);
    v += static_cast<ulimb>(chunkValue(load8(s), bad));
    if (full >= 2) v += static_cast<ulimb>(chunkValue(load8(s + 8), bad)) * 6561u;
    if (kWordTrits > 24 && full >= 3)
        v += static_cast<ulimb>(chunkValue(load8(s + 16), bad)) * static_cast<ulimb>(43046721u);
    if (kWordTrits > 32 && full >= 4)
        v += static_cast<ulimb>(chunkValue(load8(s + 24), bad)) * static_cast<ulimb>(282429536481ULL);
    value = static_cast<limb>(v);
    return bad == 0;
}

// Writes the count trits (0 <= count <= kWordTrits) of v to s[0 ... count-1]; |v| <= most(count).
KESTROM_INLINE void writeTrits(trit* s, int count, limb v) {
    using namespace bytes;
    const ulimb u = static_cast<ulimb>(v) + most(count);  // its base-3 digits are the trits + 1
    if (count <= 8) {
        storeOctet(s, count, static_cast<u32>(u));
        return;
    }
    // The base-6561 digits of u, each from its own division by a constant.
    u64 w[5] = {};
    const ulimb q1 = u / 6561u;
    w[0] = spread6561(static_cast<u32>(u - q1 * 6561u));
    if (count <= 16) {
        w[1] = spread6561(static_cast<u32>(q1));
    } else if (kWordTrits <= 24) {
        const ulimb q2 = u / 43046721u;
        w[1] = spread6561(static_cast<u32>(q1 - q2 * 6561u));
        w[2] = spread6561(static_cast<u32>(q2));
    } else {
        const ulimb q2 = u / 43046721u, q3 = u / static_cast<ulimb>(282429536481ULL),
                    q4 = u / static_cast<ulimb>(1853020188851841ULL);
        w[1] = spread6561(static_cast<u32>(q1 - q2 * 6561u));
        w[2] = spread6561(static_cast<u32>(q2 - q3 * 6561u));
        w[3] = spread6561(static_cast<u32>(q3 - q4 * 6561u));
        w[4] = spread6561(static_cast<u32>(q4));
    }
    storeChunks(s, count, w);
}

// Reads `full` whole limbs of kLimbTrits trits each from s[0 ... full*kLimbTrits-1]; returns
// whether every trit is valid.
KESTROM_INLINE bool readWholeLimbs(const trit* s, int full, limb* limbs) {
    bool valid = true;
    for (int j = 0; j < full; ++j) {
        const bool ok = readTrits(s + j * kLimbTrits, kLimbTrits, limbs[j]);
        valid = valid && ok;
    }
    return valid;
}

// Writes the kLimbTrits trits of the canonical limb v to s[0 ... kLimbTrits-1]; may write
// s[kLimbTrits] and s[kLimbTrits+1] too.
KESTROM_INLINE void writeLimbSpilling(trit* s, limb v) { writeTrits(s, kLimbTrits, v); }

// Writes `full` whole canonical limbs to s[0 ... full*kLimbTrits-1].
KESTROM_INLINE void writeWholeLimbs(trit* s, int full, const limb* limbs) {
    for (int j = 0; j < full; ++j) writeTrits(s + j * kLimbTrits, kLimbTrits, limbs[j]);
}

}  // namespace words
}  // namespace kestrom

#endif
