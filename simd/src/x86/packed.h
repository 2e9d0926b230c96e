// SPDX-License-Identifier: MIT
// The four packed single-precision instructions, each with the left operand as its first
// (destination) operand. Written as inline assembly rather than intrinsics because a compiler
// may swap the operands of the commutative addps and mulps, and when both lanes hold NaNs the
// instruction returns the quieted NaN of its first operand: the order decides the bits.
#ifndef BRENNIC_X86_PACKED_H
#define BRENNIC_X86_PACKED_H

#include <xmmintrin.h>

#if !defined(__GNUC__) && !defined(__clang__)
#error "brennic needs GNU-style inline assembly (GCC or Clang)"
#endif

namespace brennic {

#define BRENNIC_PACKED_OP(name, instruction)                                        \
    inline __m128 name(__m128 left, __m128 right) {                                 \
        __asm__(instruction " %1, %0" : "+x"(left) : "x"(right));                   \
        return left;                                                                \
    }

// left op right, lane by lane; left is the destination register of the instruction.
BRENNIC_PACKED_OP(packedAdd, "addps")
BRENNIC_PACKED_OP(packedSub, "subps")
BRENNIC_PACKED_OP(packedMul, "mulps")
BRENNIC_PACKED_OP(packedDiv, "divps")

#undef BRENNIC_PACKED_OP

}  // namespace brennic

#endif
