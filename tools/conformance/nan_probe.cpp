// SPDX-License-Identifier: MIT
// Does this machine pick among two NaN operands of the packed SSE instructions as an x86
// processor does? The processor returns the first source operand, quieted; some emulators
// apply the x87 rule instead (the larger significand wins). The conformance host's NaN-pair
// lanes can only tell something where the answer is yes.
//
//   nan_probe     prints what it found; exits 0 when every probe gives quiet(first source),
//                 1 when some do not
//
// The instructions are written out in assembly, so that the compiler cannot swap the operands
// of the commutative ones.
#include <cstdio>
#include <cstring>

namespace {

// first = first source and destination, second = second source, as in "addps xmm0, xmm1".
#define PACKED(name, insn)                                                                  \
    __attribute__((target("sse"))) void name(unsigned* first, const unsigned* second) {     \
        __asm__ volatile("movups (%0), %%xmm0\n\t"                                          \
                         "movups (%1), %%xmm1\n\t" insn " %%xmm1, %%xmm0\n\t"               \
                         "movups %%xmm0, (%0)"                                              \
                         :                                                                  \
                         : "r"(first), "r"(second)                                          \
                         : "xmm0", "xmm1", "memory");                                       \
    }
PACKED(addps, "addps")
PACKED(subps, "subps")
PACKED(mulps, "mulps")
PACKED(divps, "divps")
#undef PACKED

// Quiet and signaling NaNs of both signs, with payloads above and below each other, so that
// "the first" and "the larger significand" differ in about half of the pairs.
constexpr unsigned kNans[] = {0x7fc00001, 0xffc12345, 0x7f800002, 0xff812345, 0x7fedc332,
                              0xffa00000, 0x7fffffff, 0xff800001};
constexpr int kCount = sizeof kNans / sizeof kNans[0];

}  // namespace

int main() {
    void (*const ops[])(unsigned*, const unsigned*) = {addps, subps, mulps, divps};
    const char* const names[] = {"addps", "subps", "mulps", "divps"};
    int probes = 0, differ = 0;
    for (int op = 0; op < 4; ++op) {
        for (int i = 0; i < kCount; ++i) {
            for (int j = 0; j < kCount; j += 4) {
                unsigned first[4], second[4];
                for (int lane = 0; lane < 4; ++lane) {
                    first[lane] = kNans[i];
                    second[lane] = kNans[(j + lane) % kCount];
                }
                ops[op](first, second);
                for (int lane = 0; lane < 4; ++lane) {
                    ++probes;
                    const unsigned expected = kNans[i] | 0x00400000u;
                    if (first[lane] != expected && ++differ <= 4) {
                        std::printf("%s %08x, %08x gave %08x, the processor gives %08x\n",
                                    names[op], kNans[i], kNans[(j + lane) % kCount], first[lane],
                                    expected);
                    }
                }
            }
        }
    }
    if (differ == 0) {
        std::printf("NaN operands: all %d probes give quiet(first source), as the processor does\n",
                    probes);
        return 0;
    }
    std::printf("NaN operands: %d of %d probes differ from quiet(first source): this machine does "
                "not choose among NaN operands as the processor does\n",
                differ, probes);
    return 1;
}
