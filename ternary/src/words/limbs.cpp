// SPDX-License-Identifier: MIT
#include "limbs.h"

#include "convert.h"

namespace kestrom {
namespace words {

// Whole limbs first, with the trit count a constant the conversions are specialized for, then
// the partial top limb, if any.
bool readLimbs(const trit* s, int count, limb* limbs) {
    bool valid = true;
    int j = 0;
    for (; (j + 1) * kLimbTrits <= count; ++j) {
        const bool ok = readTrits(s + j * kLimbTrits, kLimbTrits, limbs[j]);
        valid = valid && ok;
    }
    if (j * kLimbTrits < count) {
        const bool ok = readTrits(s + j * kLimbTrits, count - j * kLimbTrits, limbs[j]);
        valid = valid && ok;
    }
    return valid;
}

void writeLimbs(trit* s, int count, const limb* limbs) {
    int j = 0;
    for (; (j + 1) * kLimbTrits <= count; ++j) writeTrits(s + j * kLimbTrits, kLimbTrits, limbs[j]);
    if (j * kLimbTrits < count) writeTrits(s + j * kLimbTrits, count - j * kLimbTrits, limbs[j]);
}

// A first limb that starts below `first` gives its trits from there up, the value left when
// its low trits are dropped.
void writeLimbsFrom(trit* s, int count, const limb* x, int first) {
    const int j = first / kLimbTrits;
    const int skip = first - j * kLimbTrits;
    if (skip == 0) {
        writeLimbs(s, count, x + j);
        return;
    }
    const int head = kLimbTrits - skip < count ? kLimbTrits - skip : count;
    writeTrits(s, head, roundDivPow3(x[j], skip));
    if (head < count) writeLimbs(s + head, count - head, x + j + 1);
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
