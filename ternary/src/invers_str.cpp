// SPDX-License-Identifier: MIT
// The exported negation: every trit of the string flipped in place, the guard untouched.
#include "kestrom.h"

void inversStr(signed char* str, int len) {
    for (int i = 0; i < len; ++i) str[i] = static_cast<signed char>(-str[i]);
}
