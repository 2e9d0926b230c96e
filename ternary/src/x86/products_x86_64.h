// SPDX-License-Identifier: MIT
// The long product's columns on x86-64, written out: four 64-bit limb products a step added
// into a 128-bit sum held as two words, which the compiler keeps in registers badly, and the
// sum's split by the radix.
#ifndef KESTROM_X86_PRODUCTS_X86_64_H
#define KESTROM_X86_PRODUCTS_X86_64_H

#include "../words/word.h"

namespace kestrom {
namespace words {
namespace x86_64 {

// What splitting a biased column sum t by the radix R takes: the addend that biases it (two
// words), the reciprocal v and the divisor d = R * 2^shift of radix3.h's divPow3, and the
// most a digit holds.
struct ColumnConstants {
    ulimb addLow, addHigh, v, d, most;
};

// t := add + q + a[0] * b[0] + a[1] * b[-1] + ... + a[4*steps-1] * b[-(4*steps-1)] (steps >= 1),
// which the caller's bounds keep below 2^64 * R; returns floor(t / R), digit := t mod R - most.
// The division is divPow3's (one multiplication by the reciprocal, two corrections) on the
// sum's words shifted by kShift.
template <int kShift>
KESTROM_INLINE ulimb splitColumn(const limb* a, const limb* b, long long steps, ulimb q,
                                 const ColumnConstants& c, limb& digit) {
    ulimb low = q, high;
    __asm__(
        "movq %[addHigh], %[high]\n\t"
        "addq %[addLow], %[low]\n\t"
        "adcq $0, %[high]\n\t"
        "1:\n\t"
        "movq (%[a]), %%rax\n\t"
        "imulq (%[b])\n\t"
        "addq %%rax, %[low]\n\t"
        "adcq %%rdx, %[high]\n\t"
        "movq 8(%[a]), %%rax\n\t"
        "imulq -8(%[b])\n\t"
        "addq %%rax, %[low]\n\t"
        "adcq %%rdx, %[high]\n\t"
        "movq 16(%[a]), %%rax\n\t"
        "imulq -16(%[b])\n\t"
        "addq %%rax, %[low]\n\t"
        "adcq %%rdx, %[high]\n\t"
        "movq 24(%[a]), %%rax\n\t"
        "imulq -24(%[b])\n\t"
        "addq %%rax, %[low]\n\t"
        "adcq %%rdx, %[high]\n\t"
        "addq $32, %[a]\n\t"
        "subq $32, %[b]\n\t"
        "decq %[steps]\n\t"
        "jnz 1b\n\t"
        // u1:u0 = t << shift; q1:q0 = v * u1 + u1:u0 + 2^64; r = u0 - q1 * d.
        "shldq %[shift], %[low], %[high]\n\t"
        "shlq %[shift], %[low]\n\t"
        "movq %[v], %%rax\n\t"
        "mulq %[high]\n\t"
        "addq %[low], %%rax\n\t"
        "adcq %[high], %%rdx\n\t"
        "incq %%rdx\n\t"
        "movq %%rdx, %[high]\n\t"
        "imulq %[d], %%rdx\n\t"
        "subq %%rdx, %[low]\n\t"
        // r > q0: one less, r + d.
        "cmpq %%rax, %[low]\n\t"
        "jbe 2f\n\t"
        "decq %[high]\n\t"
        "addq %[d], %[low]\n\t"
        "2:\n\t"
        // r >= d: one more, r - d.
        "cmpq %[d], %[low]\n\t"
        "jb 3f\n\t"
        "incq %[high]\n\t"
        "subq %[d], %[low]\n\t"
        "3:\n\t"
        "shrq %[shift], %[low]\n\t"
        "subq %[most], %[low]"
        : [low] "+&r"(low), [high] "=&r"(high), [a] "+r"(a), [b] "+r"(b), [steps] "+r"(steps)
        : [addLow] "m"(c.addLow), [addHigh] "m"(c.addHigh), [v] "m"(c.v), [d] "m"(c.d),
          [most] "m"(c.most), [shift] "i"(kShift)
        : "rax", "rdx", "cc", "memory");
    digit = static_cast<limb>(low);
    return high;
}

}  // namespace x86_64
}  // namespace words
}  // namespace kestrom

#endif
