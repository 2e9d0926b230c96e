// SPDX-License-Identifier: MIT
// A Windows program built the way a user of the DLLs builds one with the MSVC toolchain: the
// public headers declare the imports, the import libraries kestrom.lib and brennic.lib resolve
// them when it is linked, and it has no C runtime. It calls every export (add, mul, div,
// inversStr, the Kestrom constructor, the four lane operations) and compares every buffer bit
// for bit: golden vectors of the conformance set for the trits, exact binary32 patterns for
// the lanes. Prints one line a failure and "N passed, M failed"; the exit status is the
// number failed.
#include "brennic.h"
#include "kestrom.h"

extern "C" {
// The two kernel32 functions it prints with (an import library made from kernel32.def).
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
// Compilers reference this symbol from any code that uses floating point; the C runtime
// defines it, and this program has none.
int _fltused = 0;
}

namespace {

using sc = signed char;

void print(const char* text) {
    unsigned long size = 0, written = 0;
    while (text[size] != 0) ++size;
    WriteFile(GetStdHandle(static_cast<unsigned long>(-11)), text, size, &written, nullptr);
}

void printNumber(int n) {
    char digits[12];
    int i = 11;
    digits[i] = 0;
    do {
        digits[--i] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0 && i > 0);
    print(digits + i);
}

// Golden vectors: op expLen mantLen, the operands expA mantA expB mantB, the result resExp
// resMant, then the operands as the call leaves them. Each string spells its whole buffer,
// guard included, index 0 first.
constexpr const char* kVectors[] = {
    "add 4 6 -+000 0000+-0 0+000 000--+0 -+000 00000+0 -+000 000+-00 0+000 000--+0",
    "add 7 55 00--+000 -++-00-++-000-0-+00--+00-0000+0++0+0000-+-+-++-+-+00-0+0 ++-+-0+0 "
    "--000++0+-++-++++0-+-----000---0--0++--0+--+0+00000++0+0 ++-+-0+0 "
    "--000++0+-++-++++0-+-----000---0--0++--0+--+0+00000++0+0 00--+000 "
    "00000000000000000000000000000000000000000000000000000000 ++-+-0+0 "
    "--000++0+-++-++++0-+-----000---0--0++--0+--+0+00000++0+0",
    "sub 4 6 0+000 000--+0 00000 ++++++0 0+000 -----+0 0+000 000--+0 00000 ---0000",
    "sub 9 60 ++++0-+-00 --0-0+-+--0-++-0000+0+0--0+00-00+--0-0+0+++++0+-0+-+-+-+-++-0 "
    "+--++00++0 0-00-++++-0++-+++---++++--0-+++0++-+0--000------+0++-000++-+0 +--++00++0 "
    "0+00+----+0--+---+++----++0+---0--+-0++000++++++-0--+000--+-0 ++++0-+-00 "
    "0000000000000000000000000000000000000000000000000000000000000 +--++00++0 "
    "0+00+----+0--+---+++----++0+---0--+-0++000++++++-0--+000--+-0",
    "mul 4 6 +0000 00000-0 0+000 0000-+0 0+000 0000+-0 +0000 00000-0 0+000 0000-+0",
    "mul 3 48 -+00 +-++-+0-0-0-0---++++0+0-0+-00-00++-+--0000-++0--0 ++-0 "
    "-+-++++0+--00++0---+-0-+0+00+-+0+-++0-00-++++-+-0 --00 "
    "+-0+00-0+0+-+++--+++0+0-0++0-+---+0++0+-+++0+-0+0 -+00 "
    "+-++-+0-0-0-0---++++0+0-0+-00-00++-+--0000-++0--0 ++-0 "
    "-+-++++0+--00++0---+-0-+0+00+-+0+-++0-00-++++-+-0",
    "div 7 6 +0+++++0 0+++-+0 +-+-+-00 ++-+--0 ++0-+--+ 0000+-0 +0+++++0 000000- +-+-+-00 "
    "++-+--0",
    "div 6 36 -+0-000 0----0-00+-++-+0--000+0+-0--++-0+0--0 --00000 "
    "-000++-000+---0--++0-0++0---++-+--++0 +-+-000 -00+++++0-0---+-0-000+--00+0-00-+-0-0 "
    "-+0-000 0--00-+-+0+++++00+0-0-+0----+00+++-00 --00000 "
    "-000++-000+---0--++0-0++0---++-+--++0",
};

constexpr int kMaxLen = 64;  // the longest buffer of the vectors above, guard included

struct Buffer {
    sc trits[kMaxLen + 2];  // + 2: div's quotient buffers are two longer
    int len;
};

// Reads one word of the line at p into a number or a trit buffer; returns the next word.
const char* readNumber(const char* p, int& n) {
    n = 0;
    while (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
    return *p == ' ' ? p + 1 : p;
}

const char* readTrits(const char* p, Buffer& b) {
    b.len = 0;
    for (; *p == '-' || *p == '0' || *p == '+'; ++p) {
        if (b.len < kMaxLen) b.trits[b.len++] = static_cast<sc>(*p == '+' ? 1 : (*p == '-' ? -1 : 0));
    }
    return *p == ' ' ? p + 1 : p;
}

bool same(const Buffer& a, const Buffer& b) {
    if (a.len != b.len) return false;
    for (int i = 0; i < a.len; ++i) {
        if (a.trits[i] != b.trits[i]) return false;
    }
    return true;
}

void clear(Buffer& b, int len) {
    b.len = len;
    for (sc& t : b.trits) t = 0;
}

// Replays one vector through the imports; true when all six buffers match.
bool replay(const char* line) {
    const char op = line[0];
    const char* p = line + 4;
    int expLen = 0, mantLen = 0;
    p = readNumber(p, expLen);
    p = readNumber(p, mantLen);
    Buffer in[4], want[6];
    for (Buffer& b : in) p = readTrits(p, b);
    for (Buffer& b : want) p = readTrits(p, b);
    Buffer resExp, resMant, expScratch, mantScratch, quotA, quotB;
    clear(resExp, expLen + 1);
    clear(resMant, mantLen + 1);
    clear(expScratch, expLen + 1);
    clear(mantScratch, mantLen + 1);
    clear(quotA, mantLen + 3);
    clear(quotB, mantLen + 3);
    sc* const expA = in[0].trits;
    sc* const mantA = in[1].trits;
    sc* const expB = in[2].trits;
    sc* const mantB = in[3].trits;
    if (op == 'a' || op == 's') {
        if (op == 's') inversStr(mantB, mantLen);
        add(resExp.trits, resMant.trits, expLen, mantLen, expA, mantA, expB, mantB,
            expScratch.trits);
    } else if (op == 'm') {
        mul(resExp.trits, resMant.trits, expLen, mantLen, expA, mantA, expB, mantB,
            expScratch.trits, mantScratch.trits);
    } else {
        div(resExp.trits, resMant.trits, expLen, mantLen, expA, mantA, expB, mantB,
            quotA.trits, quotB.trits, mantScratch.trits, expScratch.trits);
    }
    return same(resExp, want[0]) && same(resMant, want[1]) && same(in[0], want[2]) &&
           same(in[1], want[3]) && same(in[2], want[4]) && same(in[3], want[5]);
}

// Four-lane cases as binary32 bit patterns: left op right, lane by lane, under the default
// MXCSR (round to nearest, exceptions masked). dst, right and left are unaligned.
enum LaneOp { kAdd, kSub, kMul, kDiv };

struct LaneCase {
    const char* name;
    LaneOp op;  // not a pointer: the address of an import is no constant, and nothing would
                // run a table's initializer without a C runtime
    unsigned right[4], left[4], expected[4];
};

float* call(LaneOp op, float* dst, const float* right, const float* left) {
    switch (op) {
    case kAdd: return addSSEasm(dst, right, left);
    case kSub: return subSSEasm(dst, right, left);
    case kMul: return mulSSEasm(dst, right, left);
    case kDiv: return divSSEasm(dst, right, left);
    }
    return nullptr;
}

const LaneCase kLanes[] = {
    // 1 + 2^-24 ties to even, 3 + 0.5, 1e-8 vanishes, +inf + -inf is the default NaN.
    {"addSSEasm", kAdd, {0x33800000, 0x3f000000, 0x322bcc77, 0xff800000},
     {0x3f800000, 0x40400000, 0x3f800000, 0x7f800000},
     {0x3f800000, 0x40600000, 0x3f800000, 0xffc00000}},
    // left - right: 10 - 1, 1 - 10, 0 - 0 = +0, -0 - +0 = -0.
    {"subSSEasm", kSub, {0x3f800000, 0x41200000, 0x00000000, 0x00000000},
     {0x41200000, 0x3f800000, 0x00000000, 0x80000000},
     {0x41100000, 0xc1100000, 0x00000000, 0x80000000}},
    // 3 * -5, the largest finite squared overflows, 0 * inf is invalid, a subnormal halved.
    {"mulSSEasm", kMul, {0xc0a00000, 0x7f7fffff, 0x7f800000, 0x3f000000},
     {0x40400000, 0x7f7fffff, 0x00000000, 0x00000003},
     {0xc1700000, 0x7f800000, 0xffc00000, 0x00000002}},
    // left / right: 1 / 3 rounded, 2 / 0, -0 / 4, 0 / 0.
    {"divSSEasm", kDiv, {0x40400000, 0x00000000, 0x40800000, 0x00000000},
     {0x3f800000, 0x40000000, 0x80000000, 0x00000000},
     {0x3eaaaaab, 0x7f800000, 0x80000000, 0xffc00000}},
};

bool lanes(const LaneCase& c) {
    unsigned char buffer[3 * 16 + 3];  // unaligned vectors at offsets 1, 18 and 35
    const unsigned char* right = reinterpret_cast<const unsigned char*>(c.right);
    const unsigned char* left = reinterpret_cast<const unsigned char*>(c.left);
    for (int i = 0; i < 16; ++i) {
        buffer[1 + i] = 0x5a;
        buffer[18 + i] = right[i];
        buffer[35 + i] = left[i];
    }
    float* const dst = reinterpret_cast<float*>(buffer + 1);
    float* const ret = call(c.op, dst, reinterpret_cast<float*>(buffer + 18),
                            reinterpret_cast<float*>(buffer + 35));
    const unsigned char* expected = reinterpret_cast<const unsigned char*>(c.expected);
    for (int i = 0; i < 16; ++i) {
        if (buffer[1 + i] != expected[i]) return false;
    }
    return ret == dst;
}

}  // namespace

extern "C" int hostMain() {
    int passed = 0, failed = 0;
    Kestrom object;  // the exported constructor, through its import
    static_cast<void>(object);
    ++passed;
    for (const char* line : kVectors) {
        if (replay(line)) {
            ++passed;
        } else {
            ++failed;
            print("FAIL ");
            print(line);
            print("\n");
        }
    }
    for (const LaneCase& c : kLanes) {
        if (lanes(c)) {
            ++passed;
        } else {
            ++failed;
            print("FAIL ");
            print(c.name);
            print("\n");
        }
    }
    printNumber(passed);
    print(" passed, ");
    printNumber(failed);
    print(" failed\n");
    return failed;
}
