// SPDX-License-Identifier: MIT
// Links both installed libraries the ordinary way (headers and import of the exported names)
// and checks one call of each: 2 - 1 with kestrom, a four-lane subtraction with brennic;
// and that the installed version header is the expected version.
#include <brennic.h>
#include <kestrom.h>
#include <kestrom/version.h>

#include <cstdio>
#include <cstring>

namespace {

const int kExpLen = 4;
const int kMantLen = 6;

bool same(const signed char* got, const signed char* want, int n) {
    return std::memcmp(got, want, static_cast<std::size_t>(n)) == 0;
}

}  // namespace

int main() {
    Kestrom instance;
    (void)instance;

    // Trits from index 0, guard last: 2 = (0 0 0 0 -1 1) * 3^(-1 + 3), 1 = (0 0 0 0 0 1) * 3^1.
    signed char expA[kExpLen + 1] = {-1, 1, 0, 0, 0};
    signed char mantA[kMantLen + 1] = {0, 0, 0, 0, -1, 1, 0};
    signed char expB[kExpLen + 1] = {1, 0, 0, 0, 0};
    signed char mantB[kMantLen + 1] = {0, 0, 0, 0, 0, 1, 0};
    signed char resExp[kExpLen + 1] = {};
    signed char resMant[kMantLen + 1] = {};
    signed char expScratch[kExpLen + 1] = {};
    inversStr(mantB, kMantLen);
    add(resExp, resMant, kExpLen, kMantLen, expA, mantA, expB, mantB, expScratch);
    const signed char oneExp[kExpLen + 1] = {1, 0, 0, 0, 0};
    const signed char oneMant[kMantLen + 1] = {0, 0, 0, 0, 0, 1, 0};
    const bool ternaryOk = same(resExp, oneExp, kExpLen + 1) && same(resMant, oneMant, kMantLen + 1);
    std::printf("kestrom: 2 - 1 %s\n", ternaryOk ? "= 1" : "is wrong");

    const float right[4] = {1, 2, 3, 4};
    const float left[4] = {10, 20, 30, 40};
    float dst[4] = {};
    const float* back = subSSEasm(dst, right, left);
    const bool lanesOk = back == dst && dst[0] == 9 && dst[1] == 18 && dst[2] == 27 && dst[3] == 36;
    std::printf("brennic: (10,20,30,40) - (1,2,3,4) = (%g, %g, %g, %g)\n",
                static_cast<double>(dst[0]), static_cast<double>(dst[1]),
                static_cast<double>(dst[2]), static_cast<double>(dst[3]));

    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%d.%d.%d", KESTROM_VERSION_MAJOR, KESTROM_VERSION_MINOR,
                  KESTROM_VERSION_PATCH);
    const bool versionOk = std::strcmp(KESTROM_VERSION_STRING, KESTROM_EXPECTED_VERSION_STRING) == 0 &&
                           std::strcmp(numbers, KESTROM_VERSION_STRING) == 0;
    std::printf("version: %s\n", KESTROM_VERSION_STRING);

    return ternaryOk && lanesOk && versionOk ? 0 : 1;
}
