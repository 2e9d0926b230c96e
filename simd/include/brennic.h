// SPDX-License-Identifier: MIT
/// @file brennic.h
/// brennic: lane-wise arithmetic on two vectors of four IEEE 754 binary32 values with SSE.
///
/// A vector is 16 consecutive bytes holding four floats, lane 0 at the lowest address; no
/// alignment is needed. Every operation reads both operands completely before it writes dst,
/// so dst may be the same vector as either operand, and returns dst.
///
/// The left operand (minuend, dividend) is the THIRD argument: dst[i] := leftVec[i] op rightVec[i].
///
/// Each lane is one binary32 operation under the calling thread's current MXCSR: its rounding
/// mode, flush-to-zero, denormals-are-zero and exception masks decide the result. The library
/// never reads or writes MXCSR. With the default MXCSR (round to nearest even, all exceptions
/// masked) a zero divisor gives a signed infinity, 0/0 a NaN and overflow an infinity; nothing
/// is reported. No state is kept: calls from several threads at once are safe.
///
/// NaNs: each lane is the packed instruction with the left operand first, on every target.
/// When both lanes are NaNs the result is the left one quieted (its quiet bit set, sign and
/// payload kept); when one is, that one quieted; an invalid operation on numbers (inf - inf,
/// 0 * inf, 0 / 0, inf / inf) gives the default NaN, FFC00000.
#ifndef BRENNIC_H
#define BRENNIC_H

#if defined(_WIN32)
#  if defined(BRENNIC_BUILDING)
#    define BRENNIC_API __declspec(dllexport)
#  else
#    define BRENNIC_API __declspec(dllimport)
#  endif
// The caller removes the arguments, whatever default convention the host compiles with.
#  define BRENNIC_CALL __cdecl
#else
/// Marks the exported declarations: dllexport or dllimport on Windows, default visibility
/// elsewhere.
#  define BRENNIC_API __attribute__((visibility("default")))
/// The calling convention: __cdecl on Windows (the caller removes the arguments), the
/// platform's own elsewhere.
#  define BRENNIC_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/// dst[i] := leftVec[i] + rightVec[i] for i = 0..3; returns dst.
BRENNIC_API float* BRENNIC_CALL addSSEasm(float* dst, const float* rightVec, const float* leftVec);

/// dst[i] := leftVec[i] - rightVec[i] for i = 0..3; returns dst.
BRENNIC_API float* BRENNIC_CALL subSSEasm(float* dst, const float* rightVec, const float* leftVec);

/// dst[i] := leftVec[i] * rightVec[i] for i = 0..3; returns dst.
BRENNIC_API float* BRENNIC_CALL mulSSEasm(float* dst, const float* rightVec, const float* leftVec);

/// dst[i] := leftVec[i] / rightVec[i] for i = 0..3; returns dst.
BRENNIC_API float* BRENNIC_CALL divSSEasm(float* dst, const float* rightVec, const float* leftVec);

#ifdef __cplusplus
}
#endif

#endif
