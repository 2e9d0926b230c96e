// SPDX-License-Identifier: MIT
#include "trit_string.h"

namespace kestrom {

namespace {

// Smallest of count and len+1: after len+1 passes a shift has moved every trit out.
int cappedCount(int len, long long count) {
    const long long limit = static_cast<long long>(len) + 1;
    return static_cast<int>(count < limit ? count : limit);
}

}  // namespace

void addStr(trit* out, int len, const trit* a, const trit* b) {
    int carry = 0;
    for (int i = 0; i <= len; ++i) {
        const Digit d = digitOf(carry + a[i] + b[i]);
        out[i] = d.value;
        carry = d.carry;
    }
}

void subtractStr(trit* out, int len, const trit* a, const trit* b) {
    int carry = 0;
    for (int i = 0; i <= len; ++i) {
        const Digit d = digitOf(carry + a[i] - b[i]);
        out[i] = d.value;
        carry = d.carry;
    }
}

void scaleStr(trit* dst, int len, const trit* src, trit t) {
    for (int i = 0; i < len; ++i) {
        if (t == 0) {
            dst[i] = 0;
        } else {
            dst[i] = static_cast<trit>(t == -1 ? -src[i] : src[i]);
        }
    }
}

void shiftStrDown(trit* buf, int len, long long count) {
    if (len < 0 || count <= 0) return;
    const int n = cappedCount(len, count);
    for (int j = 0; j + n <= len; ++j) buf[j] = buf[j + n];
    for (int j = len + 1 - n; j <= len; ++j) buf[j] = 0;
}

void shiftStrUp(trit* buf, int len, long long count) {
    if (len < 0 || count <= 0) return;
    const int n = cappedCount(len, count);
    for (int k = len; k >= n; --k) buf[k] = buf[k - n];
    for (int k = n - 1; k >= 0; --k) buf[k] = 0;
}

// Unsigned, so that sums past 19 trits wrap instead of overflowing. (No <cstdint>: the
// library also builds freestanding, without a C runtime.)
static_assert(sizeof(unsigned) == 4, "strToInt wraps at 32 bits");

int strToInt(const trit* str, int len) {
    unsigned sum = 0;
    unsigned power = 1;
    for (int i = 0; i < len; ++i) {
        sum += static_cast<unsigned>(static_cast<int>(str[i])) * power;
        power *= 3u;
    }
    return static_cast<int>(sum);
}

void intToStr(trit* out, int len, int value) {
    int carry = 0;
    for (int i = 0; i < len; ++i) {
        const int r = value % 3;
        value /= 3;
        const Digit d = digitOf(carry + r);
        out[i] = d.value;
        carry = d.carry;
    }
}

}  // namespace kestrom
