// SPDX-License-Identifier: MIT
// An independent model of add, mul and div built on GMP integers: mantissas, remainders and
// exponents are whole numbers, dropping a low trit is division by 3 rounded to nearest, and
// trits appear only at the ends (reading the operands, writing the outcome). It shares no
// code with the library; tests and the fuzzer compare the library against it trit for trit.
//
// Valid for operands of valid trits with zero guards and all-zero result and scratch
// buffers, mantLen >= 1 (div: >= 2), expLen >= 0 for add and >= 1 for mul and div.
// Not for concurrent use: it remembers the powers of 3 it has computed.
#ifndef KESTROM_VERIFY_ORACLE_H
#define KESTROM_VERIFY_ORACLE_H

#include <gmpxx.h>

#include <vector>

namespace oracle {

using Trits = std::vector<signed char>;

// Everything a call is documented to leave behind, each string with its guard.
struct Outcome {
    Trits resExp, resMant;
    Trits mantA, mantB;  // the operands' mantissas after the call (add shifts, div reduces A)
    bool expOverflow;    // the result's exponent is not the true one (did not fit)
};

// Operands are strings of expLen+1 and mantLen+1 trits, guards included.
Outcome add(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB);
Outcome mul(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB);
Outcome div(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB);

// The integer held by the first count trits of s.
mpz_class value(const Trits& s, int count);

}  // namespace oracle

#endif
