// SPDX-License-Identifier: MIT
// What the build targets, decided in one place for the layers below the exports: whether the
// word level can run at all, the width of its limbs, and which trit conversions it uses.
#ifndef KESTROM_PLATFORM_H
#define KESTROM_PLATFORM_H

// The word level reads trit strings as the bytes of machine words, lowest address lowest:
// little-endian targets only. Elsewhere every operation runs the trit-level reference.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define KESTROM_WORD_LEVEL 1
#else
#define KESTROM_WORD_LEVEL 0
#endif

// Limbs of 64 bits where the compiler has a 128-bit integer type for their products (x86-64),
// of 32 bits with 64-bit products elsewhere (32-bit x86). The build may ask for 32-bit limbs
// on a 64-bit target, which runs that arithmetic under the 64-bit tools.
#ifndef KESTROM_LIMB_BITS
#if defined(__SIZEOF_INT128__)
#define KESTROM_LIMB_BITS 64
#else
#define KESTROM_LIMB_BITS 32
#endif
#endif

// Trit conversions with SSE2 where the compiler targets it (every x86-64 processor has it; the
// 32-bit x86 builds ask for it), the plain-integer ones otherwise or when the build asks.
#if defined(__SSE2__) && !defined(KESTROM_GENERIC_CONVERSIONS)
#define KESTROM_SSE2 1
#else
#define KESTROM_SSE2 0
#endif

// Small conversion and move routines: inlined, so that the compiler interleaves the
// independent ones of one operation.
#define KESTROM_INLINE inline __attribute__((always_inline))

#endif
