// SPDX-License-Identifier: MIT
#include "moves.h"

namespace kestrom {
namespace words {

using namespace bytes;

namespace {

// Sixteen trit bytes as one vector: one register on every x86 target.
typedef unsigned char Bytes16 __attribute__((vector_size(16)));

inline Bytes16 load16(const trit* p) {
    Bytes16 x;
    __builtin_memcpy(&x, p, 16);
    return x;
}

inline void store16(trit* p, Bytes16 x) { __builtin_memcpy(p, &x, 16); }

// dst[0 ... count-1] := src[0 ... count-1] for count < 16, one load before any store.
inline void moveShort(trit* dst, const trit* src, int count) {
    if (count >= 8) {
        const u64 low = load8(src), high = load8(src + count - 8);
        store8(dst, low);
        store8(dst + count - 8, high);
    } else {
        storeShort(dst, loadShort(src, count), count);
    }
}

}  // namespace

// The moves run sixteen bytes a step. A last, partial step is one move of sixteen bytes that
// overlaps the steps before it, loaded before any store: the bytes it rewrites get the values
// they already have.

void dropLowTritsLong(trit* buf, int len, long long k) {
    const int kept = k > len ? 0 : static_cast<int>(len + 1 - k);
    const int shift = len + 1 - kept;
    if (kept >= 16) {
        // The source lies `shift` bytes above the destination: each step loads before it
        // stores, and no store reaches a byte that a later step still loads.
        const Bytes16 last = load16(buf + kept - 16 + shift);
        for (int j = 0; j + 16 <= kept; j += 16) store16(buf + j, load16(buf + j + shift));
        store16(buf + kept - 16, last);
    } else {
        moveShort(buf, buf + shift, kept);
    }
    clearTrits(buf + kept, len + 1 - kept);
}

void raiseTrits(trit* buf, int len, int k) {
    if (k == 0) return;
    const int moved = len + 1 - k;
    if (moved >= 16) {
        // From the top down: the source lies k bytes below the destination.
        const Bytes16 first = load16(buf);
        for (int j = len + 1; j - 16 >= k; j -= 16) store16(buf + j - 16, load16(buf + j - 16 - k));
        store16(buf + k, first);
    } else {
        moveShort(buf + k, buf, moved);
    }
    clearTrits(buf, k);
}

void copyTrits(trit* dst, const trit* src, int count) {
    if (count < 16) {
        moveShort(dst, src, count);
        return;
    }
    for (int j = 0; j + 16 <= count; j += 16) store16(dst + j, load16(src + j));
    store16(dst + count - 16, load16(src + count - 16));
}

void clearTrits(trit* buf, int count) {
    if (count < 16) {
        if (count >= 8) {
            store8(buf, 0);
            store8(buf + count - 8, 0);
        } else {
            storeShort(buf, 0, count);
        }
        return;
    }
    const Bytes16 zero = {};
    for (int j = 0; j + 16 <= count; j += 16) store16(buf + j, zero);
    store16(buf + count - 16, zero);
}

}  // namespace words
}  // namespace kestrom
