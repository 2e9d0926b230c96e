// SPDX-License-Identifier: MIT
// kestrom as a foreign host sees it: the types of the exported functions and their names in
// the platform's encoding, for looking them up at run time (dlsym or GetProcAddress).
#ifndef KESTROM_FOREIGN_HOST_H
#define KESTROM_FOREIGN_HOST_H

namespace foreign {

using sc = signed char;
using AddFn = void (*)(sc*, sc*, int, int, sc*, sc*, sc*, sc*, sc*);
using MulFn = void (*)(sc*, sc*, int, int, sc*, sc*, sc*, sc*, sc*, sc*);
using DivFn = void (*)(sc*, sc*, int, int, sc*, sc*, sc*, sc*, sc*, sc*, sc*, sc*);
using InvFn = void (*)(sc*, int);

#if defined(_WIN32)
// The constructor is a member function: on 32-bit x86 Windows it takes `this` in ECX.
using CtorFn = void(__attribute__((thiscall)) *)(void*);
constexpr const char* kAddName = "?add@@YAXPAC0HH00000@Z";
constexpr const char* kMulName = "?mul@@YAXPAC0HH000000@Z";
constexpr const char* kDivName = "?div@@YAXPAC0HH00000000@Z";
constexpr const char* kInversName = "?inversStr@@YAXPACH@Z";
constexpr const char* kCtorName = "??0Kestrom@@QAE@XZ";
#else
using CtorFn = void (*)(void*);
constexpr const char* kAddName = "_Z3addPaS_iiS_S_S_S_S_";
constexpr const char* kMulName = "_Z3mulPaS_iiS_S_S_S_S_S_";
constexpr const char* kDivName = "_Z3divPaS_iiS_S_S_S_S_S_S_S_";
constexpr const char* kInversName = "_Z9inversStrPai";
constexpr const char* kCtorName = "_ZN7KestromC1Ev";
#endif

}  // namespace foreign

#endif
