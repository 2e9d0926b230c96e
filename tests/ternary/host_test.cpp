// SPDX-License-Identifier: MIT
// Loads the built shared library the way a foreign host does: by file name at run time,
// resolving the exported names, and calls every operation on exact-size heap buffers.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "foreign_host.h"
#include "trits.h"

using namespace testing_trits;
using namespace testing_trits::worked;

namespace {

template <typename Fn>
Fn lookup(void* lib, const char* name) {
    return reinterpret_cast<Fn>(dlsym(lib, name));
}

TEST(Host, CallsEveryExportByName) {
    void* lib = dlopen(KESTROM_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const auto addFn = lookup<foreign::AddFn>(lib, foreign::kAddName);
    const auto mulFn = lookup<foreign::MulFn>(lib, foreign::kMulName);
    const auto divFn = lookup<foreign::DivFn>(lib, foreign::kDivName);
    const auto invFn = lookup<foreign::InvFn>(lib, foreign::kInversName);
    const auto ctor = lookup<foreign::CtorFn>(lib, foreign::kCtorName);
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
