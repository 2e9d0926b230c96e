// SPDX-License-Identifier: MIT
#include <kestrom/number.hpp>
#include <iostream>

int main() {
    const kestrom::Format f{6, 27};  // 6 exponent trits, 27 mantissa trits
    const kestrom::Number third = *kestrom::Number::fromText("1/3", f);
    const kestrom::Number x = kestrom::Number::fromInt(2, f) / third - third;
    std::cout << x.toText() << "\n";       // 17/3, exactly
    std::cout << x.toTrits() << "\n";      // 0.+-0-00000000000000000000000 * 3^3
    std::cout << x.toDecimal(14) << "\n";  // 5.6666666666667
}
