// SPDX-License-Identifier: MIT
// The inner step of the long product's columns on x86-64, written out: four 64-bit limb
// products a step added into a 128-bit sum held as two words, which the compiler keeps in
// registers badly.
#ifndef KESTROM_X86_PRODUCTS_X86_64_H
#define KESTROM_X86_PRODUCTS_X86_64_H

#include "../words/word.h"

namespace kestrom {
namespace words {
namespace x86_64 {

// (high, low) += a[0] * b[0] + a[1] * b[-1] + ... + a[4*steps-1] * b[-(4*steps-1)], steps >= 1;
// the sum stays within 128 bits (the caller's bounds).
KESTROM_INLINE void addProducts(ulimb& low, ulimb& high, const limb* a, const limb* b,
                                long long steps) {
    __asm__(
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
        "jnz 1b"
        : [low] "+r"(low), [high] "+r"(high), [a] "+r"(a), [b] "+r"(b), [steps] "+r"(steps)
        :
        : "rax", "rdx", "cc", "memory");
}

}  // namespace x86_64
}  // namespace words
}  // namespace kestrom

#endif
