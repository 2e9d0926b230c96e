// SPDX-License-Identifier: MIT
// Time per call of kestrom's exported operations, the same cases on every target (x86-64 and
// i386 Linux, Win32 under Wine), so that script/bench can put the targets side by side.
//
//   kestrom_timing [--check] [--seconds S] [--filter TEXT] KESTROM_LIBRARY
//
// For each operation (add, sub = inversStr then add, mul, div) and mantLen, at expLen 6:
// first a check pass of 32 fixed calls whose results must be plausible and whose checksum
// must be equal on every target; then, unless --check, timed batches. A batch refills the
// buffers of all its calls, untimed, then times the calls one after the other, so the
// refill never counts; the row gives the fastest batch (ns per call) and the median one,
// and the refill alone for comparison. --filter keeps the cases whose name "op/mantLen"
// contains TEXT. Prints tab-separated rows; exits 1 if a check fails.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cases.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

#if defined(_WIN32)
constexpr const char* kTarget = "win32";
#elif defined(__x86_64__)
constexpr const char* kTarget = "x86-64";
#elif defined(__i386__)
constexpr const char* kTarget = "i386";
#else
constexpr const char* kTarget = "other";
#endif

constexpr size_t kCheckCalls = 32;

double nanoseconds(Clock::duration d) { return std::chrono::duration<double, std::nano>(d).count(); }

// The smallest step the clock shows (Wine's is coarser than Linux's).
double clockTick() {
    double best = 1e9;
    for (int i = 0; i < 200; ++i) {
        const Clock::time_point a = Clock::now();
        Clock::time_point b = Clock::now();
        while (b == a) b = Clock::now();
        best = std::min(best, nanoseconds(b - a));
    }
    return best;
}

std::string hex(std::uint64_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = digits[v & 15];
    return s;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

struct Timing {
    double best = 0, median = 0, refill = 0;
    size_t slots = 0, batches = 0;
};

// One batch: refill untimed, then the calls; returns the time of the calls.
double runBatch(const bench::Exports& k, bench::Batch& batch) {
    batch.refill();
    const Clock::time_point t0 = Clock::now();
    for (size_t i = 0; i < batch.size(); ++i) batch.call(k, i);
    return nanoseconds(Clock::now() - t0);
}

Timing measure(const bench::Exports& k, bench::Op op, int n, double seconds, double tick) {
    // Batches long enough for the clock's step to vanish (doubling the number of calls until
    // one takes that long), with buffers that stay in cache.
    const double batchNs = std::max(100e3, 1000 * tick);
    const size_t cap = std::max<size_t>(16, (256 * 1024) / bench::Batch(op, n, 1).stride());
    size_t slots = 16;
    while (slots < cap) {
        bench::Batch trial(op, n, slots);
        runBatch(k, trial);
        if (runBatch(k, trial) >= batchNs) break;
        slots = std::min(cap, 2 * slots);
    }
    bench::Batch batch(op, n, slots);

    std::vector<double> perCall;
    double refill = 1e300;
    const Clock::time_point start = Clock::now();
    while (perCall.size() < 5 || (nanoseconds(Clock::now() - start) < seconds * 1e9 && perCall.size() < 100000)) {
        const Clock::time_point r0 = Clock::now();
        batch.refill();
        const Clock::time_point t0 = Clock::now();
        for (size_t i = 0; i < slots; ++i) batch.call(k, i);
        const Clock::time_point t1 = Clock::now();
        refill = std::min(refill, nanoseconds(t0 - r0) / static_cast<double>(slots));
        perCall.push_back(nanoseconds(t1 - t0) / static_cast<double>(slots));
    }
    Timing t;
    t.slots = slots;
    t.batches = perCall.size();
    std::sort(perCall.begin(), perCall.end());
    t.best = perCall.front();
    t.median = perCall[perCall.size() / 2];
    t.refill = refill;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);  // the same bytes as on Linux: no CR before LF
#endif
    bool checkOnly = false;
    double seconds = 0.2;
    std::string filter, library;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check") {
            checkOnly = true;
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--filter" && i + 1 < argc) {
            filter = argv[++i];
        } else if (library.empty() && arg[0] != '-') {
            library = arg;
        } else {
            library.clear();
            break;
        }
    }
    if (library.empty()) {
        std::fprintf(stderr,
                     "usage: kestrom_timing [--check] [--seconds S] [--filter TEXT] KESTROM_LIBRARY\n");
        return 2;
    }
    bench::Exports k;
    std::string error;
    if (!bench::loadExports(library.c_str(), k, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    const double tick = clockTick();
    std::printf("# kestrom_timing target=%s expLen=%d clock_tick_ns=%.1f seconds_per_case=%g\n",
                kTarget, bench::kExpLen, tick, checkOnly ? 0.0 : seconds);
    std::printf("target\top\tmantLen\tns\tmedian_ns\trefill_ns\tslots\tbatches\tchecksum\tcheck\n");
    int failed = 0, ran = 0;
    for (const int n : bench::kMantLens) {
        for (const bench::Op op : bench::kOps) {
            const std::string name = std::string(bench::kOpNames[op]) + "/" + std::to_string(n);
            if (name.find(filter) == std::string::npos) continue;
            ++ran;
            bench::Batch check(op, n, kCheckCalls);
            for (size_t i = 0; i < kCheckCalls; ++i) check.call(k, i);
            std::uint64_t sum = 0xcbf29ce484222325u;
            std::string problem;
            for (size_t i = 0; i < kCheckCalls; ++i) {
                sum = check.hash(i, sum);
                const std::string why = check.check(i);
                if (problem.empty() && !why.empty()) problem = why + " (call " + std::to_string(i) + ")";
            }
            if (!problem.empty()) ++failed;
            std::string times = "-\t-\t-\t-\t-";
            if (!checkOnly && problem.empty()) {
                const Timing t = measure(k, op, n, seconds, tick);
                times = number(t.best) + "\t" + number(t.median) + "\t" + number(t.refill) + "\t" +
                        std::to_string(t.slots) + "\t" + std::to_string(t.batches);
            }
            std::printf("%s\t%s\t%d\t%s\t%s\t%s\n", kTarget, bench::kOpNames[op], n, times.c_str(),
                        hex(sum).c_str(), problem.empty() ? "ok" : problem.c_str());
            std::fflush(stdout);
        }
    }
    if (ran == 0) {
        std::fprintf(stderr, "no case matches --filter %s\n", filter.c_str());
        return 2;
    }
    return failed == 0 ? 0 : 1;
}
