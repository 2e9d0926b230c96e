// SPDX-License-Identifier: MIT
// Four-lane cases for the conformance host, as binary32 bit patterns so that NaN payloads,
// signed zeros and subnormals are compared exactly. Each case names the MXCSR it runs under
// (status flags clear, every exception masked): the rounding mode and FTZ/DAZ vary.
//
// x86 NaN rules for the packed instructions: with two NaN operands the result is the first
// (left) operand quieted; with one, that NaN quieted; an invalid operation gives the default
// NaN FFC00000.
#ifndef KESTROM_CONFORMANCE_LANE_CASES_H
#define KESTROM_CONFORMANCE_LANE_CASES_H

namespace lanes {

enum Op { kAdd, kSub, kMul, kDiv };

constexpr unsigned kNearest = 0x1f80, kDown = 0x3f80, kUp = 0x5f80, kZero = 0x7f80;
constexpr unsigned kFtz = 0x8000, kDaz = 0x0040;

struct Case {
    const char* name;
    Op op;
    unsigned mxcsr;
    unsigned right[4], left[4], expected[4];
};

// Two NaNs, a NaN with a number, signaling and quiet, both signs: the same lanes for every
// operation, since the rules do not depend on it.
#define NAN_CASES(op, name)                                                                   \
    {name " nan pairs", op, kNearest,                                                          \
     {0xfffffffe, 0x7f800001, 0xff812345, 0x7f800000},                                         \
     {0x7fadc332, 0xffc00001, 0x3f800000, 0x7fc0abcd},                                         \
     {0x7fedc332, 0xffc00001, 0xffc12345, 0x7fc0abcd}},                                        \
    {name " nan kinds", op, kNearest,                                                          \
     {0x7f8000ff, 0xffc00020, 0x7fc0beef, 0x00000000},                                         \
     {0xff800123, 0x7fc00010, 0x40000000, 0xffa00000},                                         \
     {0xffc00123, 0x7fc00010, 0x7fc0beef, 0xffe00000}}

inline constexpr Case kCases[] = {
    NAN_CASES(kAdd, "add"),
    NAN_CASES(kSub, "sub"),
    NAN_CASES(kMul, "mul"),
    NAN_CASES(kDiv, "div"),

    // Infinities, invalid operations and signed zeros.
    {"add specials", kAdd, kNearest, {0xff800000, 0x3f800000, 0x80000000, 0x80000000},
     {0x7f800000, 0x7f800000, 0x00000000, 0x80000000}, {0xffc00000, 0x7f800000, 0x00000000, 0x80000000}},
    {"add zeros down", kAdd, kDown, {0x80000000, 0xbf800000, 0x80000000, 0x00000000},
     {0x00000000, 0x3f800000, 0x80000000, 0x00000000}, {0x80000000, 0x80000000, 0x80000000, 0x00000000}},
    {"sub specials", kSub, kNearest, {0x7f800000, 0x00000000, 0x3f800000, 0x7f800000},
     {0x7f800000, 0x80000000, 0x3f800000, 0xff800000}, {0xffc00000, 0x80000000, 0x00000000, 0xff800000}},
    {"sub zeros down", kSub, kDown, {0x3f800000, 0x00000000, 0x00000000, 0x80000000},
     {0x3f800000, 0x00000000, 0x80000000, 0x00000000}, {0x80000000, 0x80000000, 0x80000000, 0x00000000}},
    {"mul specials", kMul, kNearest, {0x7f800000, 0x40a00000, 0xc0000000, 0x7149f2ca},
     {0x00000000, 0x80000000, 0xff800000, 0x7149f2ca}, {0xffc00000, 0x80000000, 0x7f800000, 0x7f800000}},
    {"div specials", kDiv, kNearest, {0x00000000, 0xff800000, 0xff800000, 0xff800000},
     {0x00000000, 0x7f800000, 0x80000000, 0x3f800000}, {0xffc00000, 0xffc00000, 0x00000000, 0x80000000}},

    // Subnormal operands and results, with and without flush-to-zero and denormals-are-zero.
    {"mul subnormal", kMul, kNearest, {0x40000000, 0x3f000000, 0x3f000000, 0x3f000000},
     {0x00400000, 0x00800000, 0x00000003, 0x80800000}, {0x00800000, 0x00400000, 0x00000002, 0x80400000}},
    {"mul subnormal ftz", kMul, kNearest | kFtz, {0x40000000, 0x3f000000, 0x3f000000, 0x3f000000},
     {0x00400000, 0x00800000, 0x00000003, 0x80800000}, {0x00800000, 0x00000000, 0x00000000, 0x80000000}},
    {"mul subnormal daz", kMul, kNearest | kDaz, {0x40000000, 0x3f000000, 0x3f000000, 0x40000000},
     {0x00400000, 0x00800000, 0x00000003, 0x80400000}, {0x00000000, 0x00400000, 0x00000000, 0x80000000}},
    {"mul subnormal ftz daz", kMul, kNearest | kFtz | kDaz, {0x40000000, 0x3f000000, 0x3f000000, 0x3f000000},
     {0x00400000, 0x00800000, 0x00000003, 0x80800000}, {0x00000000, 0x00000000, 0x00000000, 0x80000000}},
    {"add subnormal", kAdd, kNearest, {0x00000001, 0x00000001, 0x00400000, 0x80000001},
     {0x00000001, 0x807fffff, 0x00400000, 0x00800000}, {0x00000002, 0x807ffffe, 0x00800000, 0x007fffff}},
    {"add subnormal daz", kAdd, kNearest | kDaz, {0x00000001, 0x00000001, 0x00400000, 0x80000001},
     {0x00000001, 0x807fffff, 0x00400000, 0x00800000}, {0x00000000, 0x00000000, 0x00000000, 0x00800000}},
    {"div subnormal", kDiv, kNearest, {0x40000000, 0x7f7fffff, 0x7f7fffff, 0x3f000000},
     {0x00800001, 0x3f800000, 0xbf800000, 0x00400000}, {0x00400000, 0x00200000, 0x80200000, 0x00800000}},
    {"div subnormal ftz", kDiv, kNearest | kFtz, {0x40000000, 0x7f7fffff, 0x7f7fffff, 0x3f000000},
     {0x00800001, 0x3f800000, 0xbf800000, 0x00400000}, {0x00000000, 0x00000000, 0x80000000, 0x00800000}},
    {"div subnormal daz", kDiv, kNearest | kDaz, {0x40000000, 0x7f7fffff, 0x7f7fffff, 0x3f000000},
     {0x00800001, 0x3f800000, 0xbf800000, 0x00400000}, {0x00400000, 0x00200000, 0x80200000, 0x00000000}},

    // The four rounding modes: ties, thirds and sevenths, overflow to infinity or the largest
    // finite value, and the sign of an exact zero.
#define MODE_CASES(name, op, right, left, nearest, down, up, zero)                            \
    {name " nearest", op, kNearest, right, left, nearest},                                     \
    {name " down", op, kDown, right, left, down},                                              \
    {name " up", op, kUp, right, left, up},                                                    \
    {name " zero", op, kZero, right, left, zero}
#define L4(a, b, c, d) {a, b, c, d}
    MODE_CASES("add ties", kAdd, L4(0x33800000, 0xb3800000, 0x33c00000, 0x33800000),
               L4(0x3f800000, 0xbf800000, 0x3f800000, 0x3f800001),
               L4(0x3f800000, 0xbf800000, 0x3f800001, 0x3f800002),
               L4(0x3f800000, 0xbf800001, 0x3f800000, 0x3f800001),
               L4(0x3f800001, 0xbf800000, 0x3f800001, 0x3f800002),
               L4(0x3f800000, 0xbf800000, 0x3f800000, 0x3f800001)),
    MODE_CASES("sub", kSub, L4(0x33000000, 0x3f800000, 0x33800000, 0xbf800000),
               L4(0x3f800000, 0x3f800000, 0x00000000, 0x4b800000),
               L4(0x3f800000, 0x00000000, 0xb3800000, 0x4b800000),
               L4(0x3f7fffff, 0x80000000, 0xb3800000, 0x4b800000),
               L4(0x3f800000, 0x00000000, 0xb3800000, 0x4b800001),
               L4(0x3f7fffff, 0x00000000, 0xb3800000, 0x4b800000)),
    MODE_CASES("mul", kMul, L4(0x7149f2ca, 0x7149f2ca, 0x3f800001, 0x3f800001),
               L4(0x7149f2ca, 0xf149f2ca, 0x3f800001, 0xbf800001),
               L4(0x7f800000, 0xff800000, 0x3f800002, 0xbf800002),
               L4(0x7f7fffff, 0xff800000, 0x3f800002, 0xbf800003),
               L4(0x7f800000, 0xff7fffff, 0x3f800003, 0xbf800002),
               L4(0x7f7fffff, 0xff7fffff, 0x3f800002, 0xbf800002)),
    MODE_CASES("div thirds", kDiv, L4(0x40400000, 0x40400000, 0x40400000, 0x40e00000),
               L4(0x3f800000, 0xbf800000, 0x40000000, 0x3f800000),
               L4(0x3eaaaaab, 0xbeaaaaab, 0x3f2aaaab, 0x3e124925),
               L4(0x3eaaaaaa, 0xbeaaaaab, 0x3f2aaaaa, 0x3e124924),
               L4(0x3eaaaaab, 0xbeaaaaaa, 0x3f2aaaab, 0x3e124925),
               L4(0x3eaaaaaa, 0xbeaaaaaa, 0x3f2aaaaa, 0x3e124924)),
#undef L4
#undef MODE_CASES
};

#undef NAN_CASES

}  // namespace lanes

#endif
