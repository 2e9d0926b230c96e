// SPDX-License-Identifier: MIT
#include "limbs.h"

#include "convert.h"

namespace kestrom {
namespace words {

bool readLimbs(const trit* s, int count, limb* limbs) {
    bool valid = true;
    for (int j = 0; j * kLimbTrits < count; ++j) {
        const int rest = count - j * kLimbTrits;
        const bool ok = readTrits(s + j * kLimbTrits, rest < kLimbTrits ? rest : kLimbTrits, limbs[j]);
        valid = valid && ok;
    }
    return valid;
}

void writeLimbs(trit* s, int count, const limb* limbs) {
    for (int j = 0; j * kLimbTrits < count; ++j) {
        const int rest = count - j * kLimbTrits;
        writeTrits(s + j * kLimbTrits, rest < kLimbTrits ? rest : kLimbTrits, limbs[j]);
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
