// SPDX-License-Identifier: MIT
#include <kestrom.h>
#include <cstdio>

int main() {  // 2 - 1 with expLen 4, mantLen 6; trits from index 0, the guard trit last
    signed char expA[5] = {-1, 1}, mantA[7] = {0, 0, 0, 0, -1, 1};  // 2 = 2/9 * 3^2
    signed char expB[5] = {1}, mantB[7] = {0, 0, 0, 0, 0, 1};       // 1 = 1/3 * 3^1
    signed char resExp[5] = {}, resMant[7] = {}, expScratch[5] = {};  // all zero
    inversStr(mantB, 6);                                               // B := -B
    add(resExp, resMant, 4, 6, expA, mantA, expB, mantB, expScratch);  // 2 + (-1)
    for (signed char t : resMant) std::printf("%d ", t);  // 0 0 0 0 0 1 0 (1/3)
    for (signed char t : resExp) std::printf("%d ", t);   // 1 0 0 0 0     (3^1)
    std::printf("\n");
}
