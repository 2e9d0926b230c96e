// SPDX-License-Identifier: MIT
// BigUint against GMP on random operands of mixed sizes.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kestrom/biguint.hpp"

namespace {

using kestrom::BigUint;

// A random number of up to maxLimbs 32-bit limbs, often with long runs of equal bits so that
// carries and borrows travel far; returned in both representations.
std::pair<BigUint, mpz_class> randomPair(std::mt19937_64& rng, int maxLimbs) {
    BigUint b;
    mpz_class z;
    const int limbs = static_cast<int>(rng() % static_cast<unsigned>(maxLimbs + 1));
    for (int i = 0; i < limbs; ++i) {
        const std::uint32_t limb = rng() % 4 == 0 ? 0xFFFFFFFFu : (rng() % 4 == 0 ? 0 : static_cast<std::uint32_t>(rng()));
        b <<= 32;
        b += BigUint(limb);
        z = (z << 32) + limb;
    }
    return {b, z};
}

TEST(BigUint, MatchesGmp) {
    std::mt19937_64 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        auto [a, za] = randomPair(rng, 12);
        auto [b, zb] = randomPair(rng, trial % 3 == 0 ? 2 : 12);
        SCOPED_TRACE("a = " + za.get_str() + ", b = " + zb.get_str());
        ASSERT_EQ(a.toString(), za.get_str());
        EXPECT_EQ((a + b).toString(), mpz_class(za + zb).get_str());
        EXPECT_EQ((a * b).toString(), mpz_class(za * zb).get_str());
        EXPECT_EQ(compare(a, b), cmp(za, zb) < 0 ? -1 : (cmp(za, zb) > 0 ? 1 : 0));
        if (za >= zb) {
            EXPECT_EQ((a - b).toString(), mpz_class(za - zb).get_str());
        }
        const unsigned shift = static_cast<unsigned>(rng() % 100);
        EXPECT_EQ((a << shift).toString(), mpz_class(za << shift).get_str());
        if (zb != 0) {
            BigUint q, r;
            BigUint::divMod(a, b, q, r);
            EXPECT_EQ(q.toString(), mpz_class(za / zb).get_str());
            EXPECT_EQ(r.toString(), mpz_class(za % zb).get_str());
        }
        const std::uint32_t small = static_cast<std::uint32_t>(rng() % 2 ? rng() | 1 : 3);
        BigUint quotient = a;
        const std::uint32_t rem = quotient.divSmall(small);
        EXPECT_EQ(quotient.toString(), mpz_class(za / small).get_str());
        EXPECT_EQ(rem, mpz_class(za % small).get_ui());
        BigUint product = a;
        EXPECT_EQ(product.mulSmall(small).toString(), mpz_class(za * small).get_str());
    }
}

TEST(BigUint, PowersAndBitLength) {
    for (unsigned base : {3u, 10u}) {
        for (unsigned e : {0u, 1u, 19u, 20u, 21u, 40u, 203u}) {
            mpz_class z;
            mpz_ui_pow_ui(z.get_mpz_t(), base, e);
            const BigUint p = BigUint::powerOf(base, e);
            EXPECT_EQ(p.toString(), z.get_str()) << base << "^" << e;
            EXPECT_EQ(p.bitLength(), mpz_sizeinbase(z.get_mpz_t(), 2)) << base << "^" << e;
        }
    }
}

}  // namespace
