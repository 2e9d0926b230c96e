// SPDX-License-Identifier: MIT
// A host that uses the libraries exactly as a foreign program does: it loads both by file
// name at run time, resolves the platform's exported names, and replays golden vectors.
//
//   conformance_host KESTROM_LIBRARY BRENNIC_LIBRARY VECTOR_FILE [--lanes=WHICH]
//
// WHICH chooses the lanes of the four-lane cases that are compared: "all" (the default),
// "no-nan-pairs" (every lane but those whose two operands are both NaNs) or "nan-pairs" (only
// those, and no golden vectors). The NaN-pair lanes tell something only where the machine picks
// among NaN operands as the processor does; tools/conformance/nan_probe.cpp finds out.
//
// Each vector line is "op expLen mantLen" followed by the operand strings expA mantA expB
// mantB, the result strings resExp resMant, and the operand strings as the call must leave
// them. A string spells every element of its buffer, guard included, index 0 first, with
// '-', '0' and '+'. Prints "N passed, M failed"; exits non-zero on any failure.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "foreign_host.h"
#include "lane_cases.h"

namespace {

using foreign::AddFn;
using foreign::DivFn;
using foreign::InvFn;
using foreign::MulFn;
using foreign::sc;
using LaneFn = float* (*)(float*, const float*, const float*);

#if defined(_WIN32)
void* openLibrary(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }
void* symbol(void* lib, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
}
#else
void* openLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* symbol(void* lib, const char* name) { return dlsym(lib, name); }
#endif

template <typename Fn>
Fn resolve(void* lib, const char* name, bool& ok) {
    void* p = symbol(lib, name);
    if (p == nullptr) {
        std::printf("missing export %s\n", name);
        ok = false;
    }
    Fn fn;
    std::memcpy(&fn, &p, sizeof fn);
    return fn;
}

using Str = std::vector<sc>;

bool parse(const std::string& text, Str& out) {
    out.clear();
    for (char c : text) {
        if (c != '-' && c != '0' && c != '+') return false;
        out.push_back(static_cast<sc>(c == '+' ? 1 : (c == '-' ? -1 : 0)));
    }
    return true;
}

std::string spell(const Str& s) {
    std::string out;
    for (sc t : s) out += t > 0 ? '+' : (t < 0 ? '-' : '0');
    return out;
}

struct Kestrom {
    AddFn add;
    MulFn mul;
    DivFn div;
    InvFn inversStr;
};

// Runs one vector line; returns an empty string when every buffer matches.
std::string replay(const Kestrom& k, const std::string& line) {
    std::istringstream in(line);
    std::string op, field[10];
    int expLen = 0, mantLen = 0;
    in >> op >> expLen >> mantLen;
    Str s[10];
    for (int i = 0; i < 10; ++i) {
        if (!(in >> field[i]) || !parse(field[i], s[i])) return "malformed line";
    }
    Str expA = s[0], mantA = s[1], expB = s[2], mantB = s[3];
    const size_t e = static_cast<size_t>(expLen) + 1, m = static_cast<size_t>(mantLen) + 1;
    if (expA.size() != e || expB.size() != e || mantA.size() != m || mantB.size() != m)
        return "malformed lengths";
    Str resExp(e, 0), resMant(m, 0), expScratch(e, 0), mantScratch(m, 0);
    Str quotA(m + 2, 0), quotB(m + 2, 0);
    if (op == "add" || op == "sub") {
        if (op == "sub") k.inversStr(mantB.data(), mantLen);
        k.add(resExp.data(), resMant.data(), expLen, mantLen, expA.data(), mantA.data(),
              expB.data(), mantB.data(), expScratch.data());
    } else if (op == "mul") {
        k.mul(resExp.data(), resMant.data(), expLen, mantLen, expA.data(), mantA.data(),
              expB.data(), mantB.data(), expScratch.data(), mantScratch.data());
    } else if (op == "div") {
        k.div(resExp.data(), resMant.data(), expLen, mantLen, expA.data(), mantA.data(),
              expB.data(), mantB.data(), quotA.data(), quotB.data(), mantScratch.data(),
              expScratch.data());
    } else {
        return "unknown operation " + op;
    }
    const Str* got[6] = {&resExp, &resMant, &expA, &mantA, &expB, &mantB};
    static const char* const names[6] = {"resExp", "resMant", "expA", "mantA", "expB", "mantB"};
    for (int i = 0; i < 6; ++i) {
        if (*got[i] != s[4 + i])
            return std::string(names[i]) + " is " + spell(*got[i]) + ", expected " + field[4 + i];
    }
    return "";
}

struct LaneCase {
    const char* name;
    int op;  // 0 add, 1 sub, 2 mul, 3 div
    float right[4], left[4], expected[4];
};

// The host sets MXCSR around each call; the library itself never touches it.
unsigned readMxcsr() {
    unsigned v;
    __asm__ volatile("stmxcsr %0" : "=m"(v) : : "memory");
    return v;
}
void writeMxcsr(unsigned v) { __asm__ volatile("ldmxcsr %0" : : "m"(v) : "memory"); }

enum class Lanes { kAll, kNoNanPairs, kNanPairs };

bool isNan(unsigned bits) { return (bits & 0x7f800000u) == 0x7f800000u && (bits & 0x007fffffu) != 0; }

// Bit i set: lane i of the case is compared under the chosen selection.
unsigned laneMask(const lanes::Case& c, Lanes which) {
    unsigned mask = 0;
    for (int i = 0; i < 4; ++i) {
        const bool nanPair = isNan(c.right[i]) && isNan(c.left[i]);
        if (which == Lanes::kAll || nanPair == (which == Lanes::kNanPairs)) mask |= 1u << i;
    }
    return mask;
}

// The four-lane operations: the worked cases under the default MXCSR (nearest, all exceptions
// masked), then the bit-exact table under the MXCSR each case names, in the lanes chosen.
int checkLanes(void* lib, Lanes which, int& failed) {
    bool ok = true;
    const LaneFn ops[4] = {resolve<LaneFn>(lib, "addSSEasm", ok), resolve<LaneFn>(lib, "subSSEasm", ok),
                           resolve<LaneFn>(lib, "mulSSEasm", ok), resolve<LaneFn>(lib, "divSSEasm", ok)};
    if (!ok) return ++failed, 0;
    const float inf = 1.0f / 0.0f;
    const LaneCase cases[] = {
        {"add", 0, {1, 2, 3, 4}, {10, 20, 30, 40}, {11, 22, 33, 44}},
        {"sub order", 1, {1, 2, 3, 4}, {10, 20, 30, 40}, {9, 18, 27, 36}},
        {"mul", 2, {0.5f, -2, 3, 1e30f}, {3, 4, -5, 1e30f}, {1.5f, -8, -15, inf}},
        {"div by zeros", 3, {2, 0, -0.0f, 4}, {1, 1, 1, 0}, {0.5f, inf, -inf, 0}},
        {"rounding", 0, {1e-8f, 1, 0.1f, 16777216}, {1, 1e-8f, 0.2f, 1}, {1, 1, 0.3f, 16777216}},
    };
    int passed = 0;
    unsigned char buffer[3 * 16 + 3];  // unaligned vectors at offsets 1, 18 and 35
    for (const LaneCase& c : cases) {
        if (which == Lanes::kNanPairs) break;  // no NaN operands here
        float* dst = reinterpret_cast<float*>(buffer + 1);
        std::memcpy(buffer + 18, c.right, 16);
        std::memcpy(buffer + 35, c.left, 16);
        float* ret = ops[c.op](dst, reinterpret_cast<float*>(buffer + 18),
                               reinterpret_cast<float*>(buffer + 35));
        float got[4];
        std::memcpy(got, buffer + 1, 16);
        if (ret == dst && std::memcmp(got, c.expected, 16) == 0) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAIL lanes %s: %g %g %g %g\n", c.name, got[0], got[1], got[2], got[3]);
        }
    }
    // The bit-exact cases, each in three placements: three separate unaligned vectors, the
    // result over the left operand, the result over the right operand.
    for (const lanes::Case& c : lanes::kCases) {
        const unsigned mask = laneMask(c, which);
        if (mask == 0) continue;
        for (int placement = 0; placement < 3; ++placement) {
            unsigned char* right = buffer + 18;
            unsigned char* left = buffer + 35;
            unsigned char* out = placement == 0 ? buffer + 1 : (placement == 1 ? left : right);
            std::memset(buffer, 0x5a, sizeof buffer);
            std::memcpy(right, c.right, 16);
            std::memcpy(left, c.left, 16);
            const unsigned saved = readMxcsr();
            writeMxcsr(c.mxcsr);
            float* ret = ops[c.op](reinterpret_cast<float*>(out), reinterpret_cast<float*>(right),
                                   reinterpret_cast<float*>(left));
            writeMxcsr(saved);
            unsigned got[4];
            std::memcpy(got, out, 16);
            bool same = true;
            for (int i = 0; i < 4; ++i) {
                if ((mask >> i & 1) != 0 && got[i] != c.expected[i]) same = false;
            }
            if (ret == reinterpret_cast<float*>(out) && same) {
                ++passed;
            } else {
                ++failed;
                std::printf("FAIL lanes %s (placement %d, lanes compared %x): %08x %08x %08x %08x, "
                            "expected %08x %08x %08x %08x\n",
                            c.name, placement, mask, got[0], got[1], got[2], got[3], c.expected[0],
                            c.expected[1], c.expected[2], c.expected[3]);
            }
        }
    }
    return passed;
}

}  // namespace

int main(int argc, char** argv) {
    Lanes which = Lanes::kAll;
    if (argc == 5 && std::strcmp(argv[4], "--lanes=no-nan-pairs") == 0) {
        which = Lanes::kNoNanPairs;
    } else if (argc == 5 && std::strcmp(argv[4], "--lanes=nan-pairs") == 0) {
        which = Lanes::kNanPairs;
    } else if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "--lanes=all") == 0)) {
        std::printf("usage: conformance_host KESTROM_LIBRARY BRENNIC_LIBRARY VECTOR_FILE "
                    "[--lanes=all|no-nan-pairs|nan-pairs]\n");
        return 2;
    }
    void* kestrom = openLibrary(argv[1]);
    void* brennic = openLibrary(argv[2]);
    if (kestrom == nullptr || brennic == nullptr) {
        std::printf("cannot load %s\n", kestrom == nullptr ? argv[1] : argv[2]);
        return 2;
    }
    bool ok = true;
    const Kestrom k{resolve<AddFn>(kestrom, foreign::kAddName, ok),
                    resolve<MulFn>(kestrom, foreign::kMulName, ok),
                    resolve<DivFn>(kestrom, foreign::kDivName, ok),
                    resolve<InvFn>(kestrom, foreign::kInversName, ok)};
    const auto ctor = resolve<foreign::CtorFn>(kestrom, foreign::kCtorName, ok);
    if (!ok) return 2;
    alignas(4) unsigned char object[4] = {0x5a, 0x5a, 0x5a, 0x5a};
    ctor(object);

    std::ifstream file(argv[3]);
    if (!file) {
        std::printf("cannot read %s\n", argv[3]);
        return 2;
    }
    int passed = 0, failed = 0, lineNo = 0;
    std::string line;
    while (which != Lanes::kNanPairs && std::getline(file, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        const std::string problem = replay(k, line);
        if (problem.empty()) {
            ++passed;
        } else if (++failed <= 20) {
            std::printf("FAIL line %d: %s\n", lineNo, problem.c_str());
        }
    }
    passed += checkLanes(brennic, which, failed);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
