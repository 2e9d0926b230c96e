// Loads the built shared library the way a foreign host does: by file name at run time,
// resolving the exported names, and calls every operation on exact-size heap buffers.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "trits.h"

using namespace testing_trits;
using namespace testing_trits::worked;

namespace {

using sc = signed char;
using AddFn = void (*)(sc*, sc*, int, int, sc*, sc*, sc*, sc*, sc*);
using MulFn = void (*)(sc*, sc*, int, int, sc*, sc*, sc*, sc*, sc*, sc*);
using DivFn = void (*)(sc*, sc*, int, int, sc*, sc*, sc*, sc*, sc*, sc*, sc*, sc*);
using InvFn = void (*)(sc*, int);
using CtorFn = void (*)(void*);

template <typename Fn>
Fn lookup(void* lib, const char* name) {
    return reinterpret_cast<Fn>(dlsym(lib, name));
}

TEST(Host, CallsEveryExportByName) {
    void* lib = dlopen(KESTROM_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const auto addFn = lookup<AddFn>(lib, "_Z3addPaS_iiS_S_S_S_S_");
    const auto mulFn = lookup<MulFn>(lib, "_Z3mulPaS_iiS_S_S_S_S_S_");
    const auto divFn = lookup<DivFn>(lib, "_Z3divPaS_iiS_S_S_S_S_S_S_S_");
    const auto invFn = lookup<InvFn>(lib, "_Z9inversStrPai");
    const auto ctor = lookup<CtorFn>(lib, "_ZN7KestromC1Ev");
    ASSERT_TRUE(addFn && mulFn && divFn && invFn && ctor);

    char object[1];
    ctor(object);

    Float a = two(), b = one(), r = zero();
    Str es = zeros(kExp);
    invFn(b.mant.data(), kMant);
    addFn(r.exp.data(), r.mant.data(), kExp, kMant, a.exp.data(), a.mant.data(), b.exp.data(),
          b.mant.data(), es.data());
    EXPECT_EQ(r, one()) << "2 - 1";

    a = two(), b = three(), r = zero(), es = zeros(kExp);
    Str ms = zeros(kMant);
    mulFn(r.exp.data(), r.mant.data(), kExp, kMant, a.exp.data(), a.mant.data(), b.exp.data(),
          b.mant.data(), es.data(), ms.data());
    EXPECT_EQ(r, six()) << "2 * 3";

    a = one(), b = two(), r = zero(), es = zeros(kExp), ms = zeros(kMant);
    Str qa = zeros(kMant + 2), qb = zeros(kMant + 2);
    divFn(r.exp.data(), r.mant.data(), kExp, kMant, a.exp.data(), a.mant.data(), b.exp.data(),
          b.mant.data(), qa.data(), qb.data(), ms.data(), es.data());
    EXPECT_EQ(r, (Float{str({1, 0, 0, 0}), str({-1, -1, -1, -1, -1, 1})})) << "1 / 2";

    EXPECT_EQ(dlsym(lib, "_ZN7kestrom6addStrEPaiPKaS2_"), nullptr) << "internal routine exported";
    dlclose(lib);
}

}  // namespace
