// SPDX-License-Identifier: MIT
#include "limbs.h"

#include "convert.h"

namespace kestrom {
namespace words {

// Whole limbs first, then the partial top limb, if any.
bool readLimbs(const trit* s, int count, limb* limbs) {
    const int full = count / kLimbTrits;
    const int rest = count - full * kLimbTrits;
    bool valid = readWholeLimbs(s, full, limbs);
    if (rest != 0) {
        const bool ok = readTrits(s + full * kLimbTrits, rest, limbs[full]);
        valid = valid && ok;
    }
    return valid;
}

// The first limb holds the kLimbTrits - lift lowest trits, times 3^lift (still canonical:
// at most (3^kLimbTrits - 3^lift) / 2 in magnitude); whole limbs follow from there.
bool readLimbsRaised(const trit* s, int count, int lift, limb* limbs) {
    if (lift == 0) return readLimbs(s, count, limbs);
    const int low = kLimbTrits - lift < count ? kLimbTrits - lift : count;
    limb v;
    bool valid = readTrits(s, low, v);
    // Unsigned: invalid trits give any value (discarded), which must not overflow.
    limbs[0] = static_cast<limb>(static_cast<ulimb>(v) * pow3(lift));
    if (low < count) {
        const bool ok = readLimbs(s + low, count - low, limbs + 1);
        valid = valid && ok;
    }
    return valid;
}

void writeLimbs(trit* s, int count, const limb* limbs) {
    const int full = count / kLimbTrits;
    const int rest = count - full * kLimbTrits;
    writeWholeLimbs(s, full, limbs);
    if (rest != 0) writeTrits(s + full * kLimbTrits, rest, limbs[full]);
}

// A first limb that starts below `first` gives its trits from there up, the value left when
// its low trits are dropped. With enough trits after it, that value is written as a whole
// limb (its top trits zero), and the limbs above write over what it leaves past the head.
void writeLimbsFrom(trit* s, int count, const limb* x, int first) {
    const int j = first / kLimbTrits;
    const int skip = first - j * kLimbTrits;
    if (skip == 0) {
        writeLimbs(s, count, x + j);
        return;
    }
    const int head = kLimbTrits - skip;
    const limb v = roundDivPow3(x[j], skip);
    if (count >= kLimbTrits + 2) {
        writeLimbSpilling(s, v);
        writeLimbs(s + head, count - head, x + j + 1);
    } else if (head < count) {
        writeTrits(s, head, v);
        writeLimbs(s + head, count - head, x + j + 1);
    } else {
        writeTrits(s, count, v);
    }
}

limb addLimbs(limb* out, const limb* a, limb f, const limb* b, int limbs) {
    limb carry = 0;
    for (int j = 0; j < limbs; ++j) {
        const limb s = a[j] + f * b[j] + carry;
        carry = s > kLimbMost ? 1 : (s < -kLimbMost ? -1 : 0);
        out[j] = s - carry * kLimbRadix;
    }
    return carry;
}

int significantTrits(const limb* x, int limbs) {
    int top = limbs - 1;
    while (top >= 0 && x[top] == 0) --top;
    if (top < 0) return 0;
    return top * kLimbTrits + tritsOf(magnitude(x[top]));
}

}  // namespace words
}  // namespace kestrom
