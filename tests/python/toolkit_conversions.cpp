// SPDX-License-Identifier: MIT
// Prints what the C++ toolkit makes of numbers, for the Python package's agreement test.
// Reads lines from standard input, one request each:
//   t expLen mantLen text          Number::fromText
//   d expLen mantLen hexfloat      Number::fromDouble of the double strtod reads
//   o expLen mantLen a op b        fromText(a) op fromText(b), op one of + - * /
// and writes for each: the exponent trits, the mantissa trits (least significant first, as
// '+', '0', '-', guards left out) and the flags, separated by spaces; "error" for text the
// toolkit does not accept.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include <kestrom/number.hpp>

namespace {

std::string trits(const kestrom::Trits& t) {
    std::string out;
    for (std::size_t i = 0; i + 1 < t.size(); ++i) out += t[i] > 0 ? '+' : (t[i] < 0 ? '-' : '0');
    return out;
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        char kind = 0;
        kestrom::Format f;
        std::string a;
        in >> kind >> f.expLen >> f.mantLen >> a;
        std::optional<kestrom::Number> x;
        if (kind == 'd') {
            x = kestrom::Number::fromDouble(std::strtod(a.c_str(), nullptr), f);
        } else {
            x = kestrom::Number::fromText(a, f);
            if (kind == 'o' && x) {
                char op = 0;
                std::string b;
                in >> op >> b;
                const std::optional<kestrom::Number> y = kestrom::Number::fromText(b, f);
                if (!y) x.reset();
                else if (op == '+') x = *x + *y;
                else if (op == '-') x = *x - *y;
                else if (op == '*') x = *x * *y;
                else x = *x / *y;
            }
        }
        if (!x) {
            std::cout << "error\n";
            continue;
        }
        std::cout << trits(x->exponentTrits()) << ' ' << trits(x->mantissaTrits()) << ' ' << x->flags() << '\n';
    }
    return 0;
}
