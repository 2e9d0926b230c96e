// SPDX-License-Identifier: MIT
#include "moves.h"

namespace kestrom {
namespace words {

using namespace bytes;

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
    clearTrits(buf + j, len + 1 - j);
}

void raiseTrits(trit* buf, int len, int k) {
    // From the top down, so that every chunk is loaded before a store reaches it (the source
    // lies k bytes below the destination).
    int j = len + 1;  // buf[j ... len] are done
    for (; j - 8 >= k; j -= 8) store8(buf + j - 8, load8(buf + j - 8 - k));
    if (j > k) storeShort(buf + k, loadShort(buf, j - k), j - k);
    clearTrits(buf, k);
}

void copyTrits(trit* dst, const trit* src, int count) {
    int j = 0;
    for (; j + 8 <= count; j += 8) store8(dst + j, load8(src + j));
    storeShort(dst + j, loadShort(src + j, count - j), count - j);
}

void clearTrits(trit* buf, int count) {
    int j = 0;
    for (; j + 8 <= count; j += 8) store8(buf + j, 0);
    storeShort(buf + j, 0, count - j);
}

}  // namespace words
}  // namespace kestrom
