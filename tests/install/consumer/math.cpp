// SPDX-License-Identifier: MIT
// kestrom-math from outside: exact results come out exact, pi is the nearest float to pi.
#include <kestrom/math.hpp>

#include <cstdio>

int main() {
    const kestrom::Format f{6, 27};
    const kestrom::Number root = kestrom::math::sqrt(kestrom::Number::fromInt(16, f) / kestrom::Number::fromInt(9, f));
    const kestrom::Number pi = kestrom::math::pi(f);
    std::printf("sqrt(16/9) = %s, pi = %s\n", root.toText().c_str(), pi.toDecimal(12).c_str());
    return root.toText() == "4/3" && pi.toDecimal(12) == "3.14159265359" ? 0 : 1;
}
