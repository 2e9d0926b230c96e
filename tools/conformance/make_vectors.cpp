// SPDX-License-Identifier: MIT
// Writes the golden vectors that the conformance host replays on every target: the worked
// examples (every pair of a small set of values, mantLen 6, expLen 4, all four operations)
// and random valid operands across sizes. Results come from the library this program is
// linked with; run it from the x86-64 build, which the test suite checks against an
// independent oracle. Deterministic: the same library gives the same file.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "kestrom.h"

namespace {

using Str = std::vector<signed char>;

std::string spell(const Str& s) {
    std::string out;
    for (signed char t : s) out += t > 0 ? '+' : (t < 0 ? '-' : '0');
    return out;
}

Str parse(const char* text) {
    Str s;
    for (const char* p = text; *p != '\0'; ++p) s.push_back(static_cast<signed char>(*p == '+' ? 1 : (*p == '-' ? -1 : 0)));
    return s;
}

struct Operand {
    Str exp, mant;
};

void emit(const char* op, int expLen, int mantLen, const Operand& a, const Operand& b) {
    Operand x = a, y = b;
    const size_t e = static_cast<size_t>(expLen) + 1, m = static_cast<size_t>(mantLen) + 1;
    Str resExp(e, 0), resMant(m, 0), expScratch(e, 0), mantScratch(m, 0), quotA(m + 2, 0), quotB(m + 2, 0);
    const std::string name = op;
    if (name == "add" || name == "sub") {
        if (name == "sub") inversStr(y.mant.data(), mantLen);
        add(resExp.data(), resMant.data(), expLen, mantLen, x.exp.data(), x.mant.data(), y.exp.data(),
            y.mant.data(), expScratch.data());
    } else if (name == "mul") {
        mul(resExp.data(), resMant.data(), expLen, mantLen, x.exp.data(), x.mant.data(), y.exp.data(),
            y.mant.data(), expScratch.data(), mantScratch.data());
    } else {
        div(resExp.data(), resMant.data(), expLen, mantLen, x.exp.data(), x.mant.data(), y.exp.data(),
            y.mant.data(), quotA.data(), quotB.data(), mantScratch.data(), expScratch.data());
    }
    std::printf("%s %d %d %s %s %s %s %s %s %s %s %s %s\n", op, expLen, mantLen, spell(a.exp).c_str(),
                spell(a.mant).c_str(), spell(b.exp).c_str(), spell(b.mant).c_str(),
                spell(resExp).c_str(), spell(resMant).c_str(), spell(x.exp).c_str(),
                spell(x.mant).c_str(), spell(y.exp).c_str(), spell(y.mant).c_str());
}

// Normalized or (one time in sixteen) zero; exponents over all expLen trits, so that some
// results overflow into the exponent guard.
Operand randomOperand(std::mt19937& rng, int expLen, int mantLen) {
    Operand x{Str(static_cast<size_t>(expLen) + 1, 0), Str(static_cast<size_t>(mantLen) + 1, 0)};
    if (rng() % 16 == 0) return x;
    for (int i = 0; i < mantLen; ++i) x.mant[static_cast<size_t>(i)] = static_cast<signed char>(int(rng() % 3) - 1);
    x.mant[static_cast<size_t>(mantLen) - 1] = rng() % 2 ? 1 : -1;
    for (int i = 0; i < expLen; ++i) x.exp[static_cast<size_t>(i)] = static_cast<signed char>(int(rng() % 3) - 1);
    return x;
}

}  // namespace

int main() {
    const char* const ops[4] = {"add", "sub", "mul", "div"};
    // The values of the worked examples: 0, 1/9, 1/3, 1, -1, 2, -2, 3, 5, 6, -6, 9, 10, 364/729;
    // exponent then mantissa, each with its guard.
    const char* const worked[][2] = {
        {"00000", "0000000"}, {"-0000", "00000+0"}, {"00000", "00000+0"}, {"+0000", "00000+0"},
        {"+0000", "00000-0"}, {"-+000", "0000-+0"}, {"-+000", "0000+-0"}, {"-+000", "00000+0"},
        {"0+000", "000--+0"}, {"0+000", "0000-+0"}, {"0+000", "0000+-0"}, {"0+000", "00000+0"},
        {"0+000", "000+0+0"}, {"00000", "++++++0"},
    };
    std::printf("# golden vectors: op expLen mantLen expA mantA expB mantB resExp resMant "
                "then expA mantA expB mantB after the call\n");
    for (const char* op : ops)
        for (const auto& a : worked)
            for (const auto& b : worked)
                emit(op, 4, 6, {parse(a[0]), parse(a[1])}, {parse(b[0]), parse(b[1])});

    std::mt19937 rng(3);
    for (int n = 0; n < 3000; ++n) {
        const char* op = ops[n % 4];
        const bool isDiv = op[0] == 'd';
        const bool needsExp = op[0] == 'm' || isDiv;
        const int mantLen = (isDiv ? 2 : 1) + static_cast<int>(rng() % (isDiv ? 59 : 60));
        const int expLen = (needsExp ? 1 : 0) + static_cast<int>(rng() % (needsExp ? 12 : 13));
        const Operand a = randomOperand(rng, expLen, mantLen);
        Operand b = randomOperand(rng, expLen, mantLen);
        if (isDiv && b.mant[static_cast<size_t>(mantLen) - 1] == 0) b.mant[static_cast<size_t>(mantLen) - 1] = 1;
        emit(op, expLen, mantLen, a, b);
    }
    return 0;
}
