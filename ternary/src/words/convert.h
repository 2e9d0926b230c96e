// SPDX-License-Identifier: MIT
// Trits <-> limbs: readTrits and writeTrits for up to kWordTrits trits, from the processor's
// own folder where the build uses it, from the generic version otherwise. Both check on the
// way in that every trit is -1, 0 or +1: the word level runs only on valid trits.
#ifndef KESTROM_WORDS_CONVERT_H
#define KESTROM_WORDS_CONVERT_H

#include "../platform.h"

#if KESTROM_SSE2
#include "../x86/convert_sse2.h"
#else
#include "convert_generic.h"
#endif

#endif
