// SPDX-License-Identifier: MIT
#include "quotient_trit.h"

namespace kestrom {

trit quotientTrit(const trit* rem, const trit* divisor, int pos) {
    const trit top = pos >= 1 ? divisor[pos - 1] : trit{0};
    for (int i = pos; i >= 0 && i >= pos - 2; --i) {
        if (rem[i] != 0) return rem[i] == top ? trit{1} : trit{-1};
    }
    return 0;
}

}  // namespace kestrom
