// SPDX-License-Identifier: MIT
// The library keeps no state: calls from eight threads at once, each on its own buffers,
// give what the same calls give one after another. Run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ops.h"
#include "random_operands.h"

using namespace testing_trits;

namespace {

// Every operation, inversStr included (through runSub), on random operands from one seed.
std::vector<Float> work(unsigned seed) {
    std::mt19937_64 rng(seed);
    std::vector<Float> results;
    for (int i = 0; i < 150; ++i) {
        const int expLen = 1 + static_cast<int>(rng() % 8);
        const int mantLen = 2 + static_cast<int>(rng() % 40);
        const Float a = verify::randomFloat(rng, expLen, mantLen);
        const Float b = verify::randomFloat(rng, expLen, mantLen);
        results.push_back(runAdd(a, b, expLen, mantLen).result);
        results.push_back(runSub(a, b, expLen, mantLen).result);
        results.push_back(runMul(a, b, expLen, mantLen).result);
        results.push_back(runDiv(a, b, expLen, mantLen).result);
    }
    return results;
}

TEST(Threads, EightThreadsOnTheirOwnBuffersAgreeWithOne) {
    constexpr unsigned kThreads = 8;
    std::vector<std::vector<Float>> together(kThreads);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &together] { together[t] = work(100 + t); });
    for (auto& thread : threads) thread.join();
    for (unsigned t = 0; t < kThreads; ++t) EXPECT_EQ(together[t], work(100 + t)) << "thread " << t;
}

}  // namespace
