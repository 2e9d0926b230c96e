// SPDX-License-Identifier: MIT
// The trit type and the digit table shared by every routine of the library.
#ifndef KESTROM_TRIT_H
#define KESTROM_TRIT_H

#include "kestrom.h"  // kestrom::trit, the one alias of a trit for library and toolkit

namespace kestrom {

// A digit sum s (carry plus trits) split into the trit to store and the carry to pass on,
// so that s == value + 3 * carry.
struct Digit {
    trit value;
    trit carry;
};

// Maps s = -3 ... +3 to its digit. Sums outside that range only arise from invalid trits;
// they are clamped to the nearest end, so the lookup never leaves the table.
inline Digit digitOf(int s) {
    static constexpr Digit table[7] = {
        {0, -1}, {1, -1}, {-1, 0}, {0, 0}, {1, 0}, {-1, 1}, {0, 1},
    };
    const int clamped = s < -3 ? -3 : (s > 3 ? 3 : s);
    return table[clamped + 3];
}

}  // namespace kestrom

#endif
