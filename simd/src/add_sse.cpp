#include <xmmintrin.h>

#include "brennic.h"

// leftVec + rightVec, lane by lane: both operands loaded unaligned before the one packed
// addps, whose result is stored unaligned.
float* BRENNIC_CALL addSSEasm(float* dst, const float* rightVec, const float* leftVec) {
    const __m128 left = _mm_loadu_ps(leftVec);
    const __m128 right = _mm_loadu_ps(rightVec);
    _mm_storeu_ps(dst, _mm_add_ps(left, right));
    return dst;
}
