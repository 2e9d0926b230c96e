// SPDX-License-Identifier: MIT
// The program whose executed instructions script/bench-count counts on every target (callgrind
// on x86-64, qemu's insn plugin on i386 and on Win32 under Wine): per-call instructions by
// difference, the run with the calls less the same run without them.
//
//   kestrom_count KESTROM_LIBRARY OP MANTLEN SLOTS ROUNDS with|without|check
//
// Each round refills slot i's buffers and then, in the run "with", calls OP on them, for every
// slot in turn: SLOTS different operand pairs (bench/timing/cases.h, the same on every
// target), ROUNDS times over. The operation is chosen before the loop and the run "without"
// differs only by calling an empty function in its place, so (count with - count without) /
// (SLOTS * ROUNDS) is what one call executes, the call's own argument passing included. "check" is the run
// "with", then a check of every slot's result (not counted: the other two do the same work
// after the loop, none). Exits 1 if a check fails, 2 on bad arguments.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cases.h"

namespace {

using Call = void (*)(const bench::Exports&, const bench::Buffers&, int);

void callAdd(const bench::Exports& k, const bench::Buffers& b, int n) {
    k.add(b.resExp, b.resMant, bench::kExpLen, n, b.expA, b.mantA, b.expB, b.mantB, b.expScratch);
}

void callSub(const bench::Exports& k, const bench::Buffers& b, int n) {
    k.invers(b.mantB, n);
    k.add(b.resExp, b.resMant, bench::kExpLen, n, b.expA, b.mantA, b.expB, b.mantB, b.expScratch);
}

void callMul(const bench::Exports& k, const bench::Buffers& b, int n) {
    k.mul(b.resExp, b.resMant, bench::kExpLen, n, b.expA, b.mantA, b.expB, b.mantB, b.expScratch,
          b.mantScratch);
}

// The run "without": the same loop, the same indirect call, nothing called.
void callNothing(const bench::Exports&, const bench::Buffers&, int) {}

void callDiv(const bench::Exports& k, const bench::Buffers& b, int n) {
    k.div(b.resExp, b.resMant, bench::kExpLen, n, b.expA, b.mantA, b.expB, b.mantB, b.quotA, b.quotB,
          b.mantScratch, b.expScratch);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Op op;
    const int n = argc == 7 ? std::atoi(argv[3]) : 0;
    const long slots = argc == 7 ? std::atol(argv[4]) : 0;
    const long rounds = argc == 7 ? std::atol(argv[5]) : 0;
    const std::string mode = argc == 7 ? argv[6] : "";
    if (argc != 7 || !bench::parseOp(argv[2], op) || n < 2 || slots < 1 || rounds < 1 ||
        (mode != "with" && mode != "without" && mode != "check")) {
        std::fprintf(stderr,
                     "usage: kestrom_count KESTROM_LIBRARY add|sub|mul|div MANTLEN SLOTS ROUNDS "
                     "with|without|check\n");
        return 2;
    }
    bench::Exports k;
    std::string error;
    if (!bench::loadExports(argv[1], k, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const Call calls[] = {callAdd, callSub, callMul, callDiv};
    const Call call = mode != "without" ? calls[op] : callNothing;
    bench::Batch batch(op, n, static_cast<size_t>(slots));
    for (long r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < batch.size(); ++i) {
            batch.refillSlot(i);
            call(k, batch.buffers(i), n);
        }
    }
    if (mode != "check") return 0;
    for (size_t i = 0; i < batch.size(); ++i) {
        const std::string why = batch.check(i);
        if (!why.empty()) {
            std::fprintf(stderr, "%s %d, slot %zu: %s\n", argv[2], n, i, why.c_str());
            return 1;
        }
    }
    return 0;
}
