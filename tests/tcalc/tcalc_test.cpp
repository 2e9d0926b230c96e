// SPDX-License-Identifier: MIT
// tcalc as a user meets it: the binary is run with arguments and standard input, and its
// exit status, standard output and standard error are checked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef TCALC_HAVE_MATH
#include <kestrom/math.hpp>
#endif

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string drain(int fd) {
    std::string s;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) s.append(buf, static_cast<size_t>(n));
    close(fd);
    return s;
}

// Runs tcalc with the given arguments and standard input. Input and output are small, so
// writing all of the input before reading is safe; stderr goes through a file so the two
// output streams cannot block each other.
Outcome tcalc(std::vector<std::string> args, const std::string& input = "") {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return {};
    char errPath[] = "/tmp/tcalc_test_XXXXXX";
    const int err = mkstemp(errPath);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err, 2);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(TCALC_PATH)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(TCALC_PATH, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!input.empty() && write(in[1], input.data(), input.size()) < 0) ADD_FAILURE() << "write";
    close(in[1]);
    Outcome r;
    r.out = drain(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    lseek(err, 0, SEEK_SET);
    r.err = drain(err);
    unlink(errPath);
    return r;
}

std::string join(const std::vector<std::string>& args) {
    std::string s;
    for (const auto& a : args) s += " [" + a + "]";
    return s;
}

TEST(Tcalc, Answers) {
    const struct {
        std::vector<std::string> args;
        std::string exact, trits;
    } cases[] = {
        {{"2 - 1"}, "1", "0.+00000000000000000000000000 * 3^1"},
        {{"1/3 + 1/3 + 1/3"}, "1", "0.+00000000000000000000000000 * 3^1"},
        {{"--mant", "6", "1/2"}, "122/243", "0.+----- * 3^1"},
        {{"--mant=27", "1/2"}, "3812798742493/7625597484987", "0.+++++++++++++++++++++++++++ * 3^0"},
        {{"(9 + 1) * 2 - 5"}, "15", "0.+--000000000000000000000000 * 3^4"},
        {{"(9 + 1) \xC3\x97 2 \xE2\x88\x92 5 \xC3\xB7 1"}, "15", "0.+--000000000000000000000000 * 3^4"},
        {{"-1", "-", "-(2)"}, "1", "0.+00000000000000000000000000 * 3^1"},   // words joined
        {{"--", "--1"}, "1", "0.+00000000000000000000000000 * 3^1"},
        {{"--mant", "6", "--exp", "4", "0.5e1 * 2"}, "10", "0.+0+000 * 3^3"},
        {{"--mant", "2", "1e-3"}, "2/2187", "0.+- * 3^-5"},                  // nearest of 2 trits
        {{"1 - 1"}, "0", "0.000000000000000000000000000 * 3^0"},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, 0) << join(c.args) << "\n" << r.err;
        EXPECT_NE(r.out.find("  exact    " + c.exact + "\n"), std::string::npos) << join(c.args) << "\n" << r.out;
        EXPECT_NE(r.out.find("  trits    " + c.trits + "\n"), std::string::npos) << join(c.args) << "\n" << r.out;
        EXPECT_EQ(r.err, "") << join(c.args);
    }
    EXPECT_NE(tcalc({"1/3"}).out.find("  decimal  ~0.33333333333333\n"), std::string::npos);
    EXPECT_NE(tcalc({"2.5e1"}).out.find("  decimal  25\n"), std::string::npos);
}

TEST(Tcalc, ErrorsNameThePosition) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;  // the whole of standard error
    } cases[] = {
        {{"1 +"}, 1, "tcalc: error: column 4: expected a number or '(' after '+', found the end of the expression\n"},
        {{"(1 + 2"}, 1, "tcalc: error: column 7: expected ')' to close the '(' at column 1, found the end of the expression\n"},
        {{"1 + 2)"}, 1, "tcalc: error: column 6: unmatched ')'\n"},
        {{"2 (3)"}, 1, "tcalc: error: column 3: expected an operator (+ - * / ^) before '('\n"},
        {{"1.2.3"}, 1, "tcalc: error: column 4: a number has only one decimal point\n"},
        {{"2 % 3"}, 1, "tcalc: error: column 3: unexpected '%'; tcalc knows numbers, names, + - * / ^ = < > ! ; , and parentheses\n"},
        {{"2x"}, 1, "tcalc: error: column 2: unexpected 'x' after a number; tcalc knows numbers, names, + - * / ^ = < > ! ; , and parentheses\n"},
        {{"x * y"}, 1, "tcalc: error: column 1: unknown name 'x' (give it a value first: x = ...)\n"},
        {{"1 + ans"}, 1, "tcalc: error: column 5: 'ans' has no value yet: it is the result of the previous line\n"},
        {{"ans = 2"}, 1, "tcalc: error: column 1: 'ans' is always the previous result; choose another name\n"},
        {{"exit = 2"}, 1, "tcalc: error: column 1: 'exit' is a command; choose another name\n"},
        {{"x ="}, 1, "tcalc: error: column 4: expected an expression after '='\n"},
        {{"1 = 2"}, 1, "tcalc: error: column 3: '=' gives a name to a value only at the start of a line, as in x = 1/3\n"},
        {{"2 ^ (1/2)"}, 1, "tcalc: error: column 5: the power after '^' must be a whole number, not 0.5\n"},
        {{"2 ** 1e19"}, 1, "tcalc: error: column 6: the power after '**' is beyond 2^62 in size\n"},
        {{"2 ^"}, 1, "tcalc: error: column 4: expected a number or '(' after '^', found the end of the expression\n"},
        {{[] { std::string s; for (int i = 0; i < 300; ++i) s += "2^"; return s + "2"; }()}, 1, "tcalc: error: column 402: nested more than 200 levels deep\n"},
        {{"--format", "short", "1"}, 2, "tcalc: error: --format is one of full, value, exact and trits, got 'short' (see tcalc --help)\n"},
        {{"--format", "exact", "--lanes", "1,2,3,4 + 5,6,7,8"}, 2, "tcalc: error: --lanes prints binary32 lanes: --format full or value (see tcalc --help)\n"},
        {{"\xC3\x97 2"}, 1, "tcalc: error: column 1: expected a number or '(', found '\xC3\x97'\n"},
        {{"1e"}, 1, "tcalc: error: column 3: expected the digits of the exponent after 'e' (as in 1e-3)\n"},
        {{""}, 1, "tcalc: error: column 1: the expression is empty\n"},
        {{"  "}, 1, "tcalc: error: column 1: the expression is empty\n"},
        {{std::string(300, '(') + "1" + std::string(300, ')')}, 1, "tcalc: error: column 201: nested more than 200 levels deep\n"},
        {{"--mant", "0", "1"}, 2, "tcalc: error: --mant must be between 2 and 1000 (division needs at least 2 trits), got 0 (see tcalc --help)\n"},
        {{"--mant", "-3", "1"}, 2, "tcalc: error: --mant must be between 2 and 1000 (division needs at least 2 trits), got -3 (see tcalc --help)\n"},
        {{"--mant", "99999999999", "1"}, 2, "tcalc: error: --mant must be between 2 and 1000 (division needs at least 2 trits), got 99999999999 (see tcalc --help)\n"},
        {{"--exp=x", "1"}, 2, "tcalc: error: --exp needs a whole number, got 'x' (see tcalc --help)\n"},
        {{"--mant"}, 2, "tcalc: error: --mant needs a value (see tcalc --help)\n"},
        {{"--frobnicate"}, 2, "tcalc: error: unknown option '--frobnicate' (see tcalc --help)\n"},
        {{"--lanes", "1,2,3 + 4,5,6,7"}, 1, "tcalc: error: column 7: expected ',' and lane 3 of the left vector, found '+' (a vector is four numbers separated by commas)\n"},
        {{"--lanes", "1,2,3,4 + 5,6,7,x"}, 1, "tcalc: error: column 17: lane 3 of the right vector is 'x'; a lane is a number, inf or nan\n"},
        {{"--lanes", "1,2,3,4 % 5,6,7,8"}, 1, "tcalc: error: column 9: expected an operator (+ - * /) after the four lanes of the left vector, found '%'\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, c.status) << join(c.args);
        EXPECT_EQ(r.err, c.err) << join(c.args);
        EXPECT_EQ(r.out, "") << join(c.args);
    }
}

TEST(Tcalc, WarningsAreShownAndMeaninglessResultsSaySo) {
    const std::string dz = "undefined (division by zero)\n";
    const struct {
        std::vector<std::string> args;
        std::string warning, exact;
        int status;
    } cases[] = {
        {{"--mant", "6", "--exp", "4", "1/0"}, "tcalc: warning: column 2: division by zero; the library returns -8, which means nothing\n", dz, 3},
        {{"--exp", "2", "--mant", "6", "40 * 40"}, "tcalc: warning: column 4: exponent overflow in '*': the result is too large for --exp 2 (exponents -4 to 4); its value is meaningless\n", "overflow\n", 3},
        {{"--exp", "2", "1/27/27"}, "tcalc: warning: column 5: exponent underflow in '/': the result is too small for --exp 2 (exponents -4 to 4); its value is meaningless\n", "underflow\n", 3},
        {{"1e-999"}, "tcalc: warning: column 1: 1e-999 is too small for --exp 6 (exponents -364 to 364); it reads as 0\n", "0\n", 0},
        {{"--exp", "1", "--mant", "3", "1 * 1e9999999999999999999"}, "tcalc: warning: column 5: 1e9999999999999999999 is too large for --exp 1 (exponents -1 to 1); it reads as the largest number, 1.44444\n", "13/9\n", 0},
        {{"--exp", "2", "3 ^ 5"}, "tcalc: warning: column 3: exponent overflow in '^': the result is too large for --exp 2 (exponents -4 to 4); its value is meaningless\n", "overflow\n", 3},
        {{"--exp", "2", "(1/3) ** 6"}, "tcalc: warning: column 7: exponent underflow in '**': the result is too small for --exp 2 (exponents -4 to 4); its value is meaningless\n", "underflow\n", 3},
        {{"--mant", "6", "--exp", "4", "0 ^ -1"}, "tcalc: warning: column 3: division by zero; the library returns -8, which means nothing\n", dz, 3},
        {{"(1/0) ^ 0 + (2 < 1/0)"}, "tcalc: warning: column 3: division by zero", dz, 3},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, c.status) << join(c.args);
        EXPECT_NE(r.err.find(c.warning), std::string::npos) << join(c.args) << "\n" << r.err;
        EXPECT_NE(r.out.find("  exact    " + c.exact), std::string::npos) << join(c.args) << "\n" << r.out;
    }
}

// A meaningless result stays so through ans and names, is shown as such in every format but
// trits, and the exit status of the batch says so; warnings come in the order of the lines.
TEST(Tcalc, MeaninglessResultsTravelAndSetTheExitStatus) {
    const std::string lines = "1/0\nans + 10\n10^200\nans * 3\nx = 1/0; x - x\n2 + 2\n";
    Outcome r = tcalc({"--format", "value"}, lines);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "undefined (division by zero)\nundefined (division by zero)\noverflow\noverflow\n"
                     "undefined (division by zero)\nundefined (division by zero)\n4\n");
    EXPECT_EQ(r.err, "tcalc: warning: line 1, column 2: division by zero; the library returns -8, which means nothing\n"
                     "tcalc: warning: line 3, column 3: exponent overflow in '^': the result is too large for --exp 6 (exponents -364 to 364); its value is meaningless\n"
                     "tcalc: warning: line 5, column 6: division by zero; the library returns -8, which means nothing\n");
    r = tcalc({"--format", "trits", "--mant", "6", "--exp", "4"}, "1/0\n");
    EXPECT_EQ(r.out, "0.-0+000 * 3^3\n");  // the library's own trits, -8
    EXPECT_EQ(tcalc({"--format", "exact"}, "1/0\n1 +\n").status, 1);  // malformed wins
    EXPECT_EQ(tcalc({"2/3"}).status, 0);

    // stdout and stderr into one file: each warning right before its line's result
    char path[] = "/tmp/tcalc_order_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const std::string command = std::string("printf '1\\n1/0\\n2\\n' | '") + TCALC_PATH + "' --format value >" + path + " 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 3);
    const int in = open(path, O_RDONLY);
    EXPECT_EQ(drain(in), "1\ntcalc: warning: line 2, column 2: division by zero; the library returns -8, which means nothing\n"
                         "undefined (division by zero)\n2\n");
    const std::string lanes = std::string("'") + TCALC_PATH + "' --lanes '1,1,1,1 / 1,0,1,1' >" + path + " 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(lanes.c_str())), 0);
    const int lanesIn = open(path, O_RDONLY);
    EXPECT_EQ(drain(lanesIn), "1,1,1,1 / 1,0,1,1\ntcalc: warning: column 9: division by zero in lane 1: 1 / 0 = inf\n"
                              "  lanes    1, inf, 1, 1\n");
    unlink(path);
}

// Function calls and the constants: each result is the library's own, to the trit.
#ifdef TCALC_HAVE_MATH
TEST(Tcalc, FunctionsGiveTheLibrarysCorrectlyRoundedResults) {
    namespace m = kestrom::math;
    using kestrom::Number;
    const kestrom::Format f{6, 27}, small{4, 6};
    const auto n = [](long long v, kestrom::Format g) { return Number::fromInt(v, g); };
    const struct {
        std::vector<std::string> args;
        Number expected;
    } cases[] = {
        {{"sqrt(2)"}, m::sqrt(n(2, f))},
        {{"exp(1) - e"}, m::exp(n(1, f)) - m::e(f)},
        {{"sin(pi)"}, m::sin(m::pi(f))},
        {{"pi"}, m::pi(f)},
        {{"--mant", "6", "--exp", "4", "cbrt(2) + log(10)"}, m::cbrt(n(2, small)) + m::log(n(10, small))},
        {{"atan2(1, -2)"}, m::atan2(n(1, f), n(-2, f))},
        {{"hypot(2, 3) * tan(1)"}, m::hypot(n(2, f), n(3, f)) * m::tan(n(1, f))},
        {{"fma(2, 1/3, 5)"}, m::fma(n(2, f), n(1, f) / n(3, f), n(5, f))},
        {{"asin(1/2) + acos(-1) + atan(7) + cos(3) + exp3(1/2) + log3(2)"},
         m::asin(n(1, f) / n(2, f)) + m::acos(n(-1, f)) + m::atan(n(7, f)) + m::cos(n(3, f)) +
             m::exp3(n(1, f) / n(2, f)) + m::log3(n(2, f))},
        {{"pow(2, 1/2)"}, m::pow(n(2, f), n(1, f) / n(2, f))},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc([&] { auto a = c.args; a.insert(a.begin(), {"--format", "trits"}); return a; }());
        EXPECT_EQ(r.status, 0) << join(c.args) << "\n" << r.err;
        EXPECT_EQ(r.out, c.expected.toTrits() + "\n") << join(c.args);
        EXPECT_EQ(r.err, "") << join(c.args);
    }
    // exact results come out exact; a tiny mantissa shows the rounding of pi itself
    const Outcome exact = tcalc({"--format", "exact"}, "sqrt(16/9)\npow(3, 4)\nlog3(1/27)\ncbrt(-8)\nsin(0)\n");
    EXPECT_EQ(exact.out, "4/3\n81\n-3\n-2\n0\n");
    EXPECT_EQ(tcalc({"--format", "exact", "--mant", "2", "pi"}).out, "3\n");
    EXPECT_EQ(tcalc({"--format", "exact", "--mant", "3", "e"}).out, "8/3\n");
}

// Outside the domain the result is undefined, beyond the range it is overflow, and both
// travel on as the operators' meaningless results do; below the range a value stands.
TEST(Tcalc, FunctionsOutsideTheirDomainOrRange) {
    const std::string invalid = "undefined (invalid operation)\n";
    const struct {
        std::vector<std::string> args;
        std::string warning, value;
        int status;
    } cases[] = {
        {{"sqrt(-1)"}, "tcalc: warning: column 1: 'sqrt' is undefined for this argument (outside its domain)\n", invalid, 3},
        {{"1 + log(0)"}, "tcalc: warning: column 5: 'log' is undefined for this argument (outside its domain)\n", invalid, 3},
        {{"asin(2) * 0"}, "'asin' is undefined", invalid, 3},
        {{"atan2(0, 0)"}, "'atan2' is undefined", invalid, 3},
        {{"pow(-8, 1/3)"}, "'pow' is undefined", invalid, 3},
        {{"--exp", "2", "exp(100) - 1"}, "tcalc: warning: column 1: exponent overflow in 'exp': the result is too large for --exp 2 (exponents -4 to 4); its value is meaningless\n", "overflow\n", 3},
        {{"--exp", "2", "1 - pow(3, 9)"}, "exponent overflow in 'pow'", "overflow\n", 3},
        {{"--exp", "2", "--mant", "6", "exp(-100)"}, "tcalc: warning: column 1: exponent underflow in 'exp': the result is too small for --exp 2 (exponents -4 to 4); it is 0\n", "0\n", 0},
        {{"sqrt(1/0)"}, "division by zero", "undefined (division by zero)\n", 3},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc([&] { auto a = c.args; a.insert(a.begin(), {"--format", "value"}); return a; }());
        EXPECT_EQ(r.status, c.status) << join(c.args);
        EXPECT_NE(r.err.find(c.warning), std::string::npos) << join(c.args) << "\n" << r.err;
        EXPECT_EQ(r.out, c.value) << join(c.args);
    }
}
#endif

TEST(Tcalc, FunctionNamesAndConstantsAreNotValues) {
    const struct {
        std::string expression, err;
    } cases[] = {
        {"pi = 3", "tcalc: error: column 1: 'pi' is a constant; choose another name\n"},
        {"e = 2", "tcalc: error: column 1: 'e' is a constant; choose another name\n"},
        {"sqrt = 2", "tcalc: error: column 1: 'sqrt' is a function; choose another name\n"},
        {"2 * sqrt 2", "tcalc: error: column 5: 'sqrt' is a function: write sqrt(...)\n"},
        {"square(2)", "tcalc: error: column 1: unknown function 'square'; tcalc --help lists the functions\n"},
        {"pow(2)", "tcalc: error: column 1: 'pow' takes 2 arguments, not 1\n"},
        {"sin(1, 2)", "tcalc: error: column 1: 'sin' takes 1 argument, not 2\n"},
        {"fma(1, 2 3)", "tcalc: error: column 10: expected ',' or ')' to close the '(' at column 4, found '3'\n"},
        {"1, 2", "tcalc: error: column 2: expected an operator (+ - * / ^) before ','\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc({c.expression});
        EXPECT_EQ(r.status, 1) << c.expression;
        EXPECT_EQ(r.err, c.err) << c.expression;
    }
#ifndef TCALC_HAVE_MATH
    EXPECT_EQ(tcalc({"sqrt(4)"}).err,
              "tcalc: error: column 1: 'sqrt' needs kestrom-math, which this tcalc was built without (Debian: libmpfr-dev)\n");
    EXPECT_NE(tcalc({"--help"}).out.find("built without kestrom-math"), std::string::npos);
#endif
}

// Comparisons give 1 or 0 as bc does, below + and -; ';' separates expressions.
TEST(Tcalc, ComparisonsAndSeveralExpressionsALine) {
    const Outcome r = tcalc({"--format", "exact"},
                            "1 < 2; 2 < 1; 2 <= 2; 3 > 2 + 1; 3 >= 2 + 1; 1/3 == 2/6; 1 != 1; 1 < 2 < 3\n"
                            "x = 2; y = x * x ;; y - x; ans == 2\n"
                            "1; 2 +; 3\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1\n0\n1\n0\n1\n1\n0\n1\n2\n4\n2\n1\n1\n");
    EXPECT_EQ(r.err, "tcalc: error: line 3, column 7: expected a number or '(' after '+', found the end of the expression\n");
    const Outcome full = tcalc({"--mant", "6"}, "1 + 1; 2 > 1\n");
    EXPECT_EQ(full.out, "1 + 1\n  trits    0.+-0000 * 3^2\n  exact    2\n  decimal  2\n"
                        "2 > 1\n  trits    0.+00000 * 3^1\n  exact    1\n  decimal  1\n");
}

TEST(Tcalc, Lanes) {
    Outcome r = tcalc({"--lanes", "1,1,1,0 / 2,0,-0,4"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1,1,1,0 / 2,0,-0,4\n  lanes    0.5, inf, -inf, 0\n");
    EXPECT_EQ(r.err, "tcalc: warning: column 9: division by zero in lane 1: 1 / 0 = inf\n"
                     "tcalc: warning: column 9: division by zero in lane 2: 1 / -0 = -inf\n");
    r = tcalc({"--lanes=10,20,30,40 - 1,2,3,4"});
    EXPECT_EQ(r.out, "10,20,30,40 - 1,2,3,4\n  lanes    9, 18, 27, 36\n");
    r = tcalc({"--lanes", "0.1, INF, nan, 3e38 * 3, -1, 0, 10"});
    EXPECT_EQ(r.out, "0.1, INF, nan, 3e38 * 3, -1, 0, 10\n  lanes    0.3, -inf, nan, inf\n");
    EXPECT_EQ(r.err, "tcalc: warning: column 21: overflow in lane 3: 3e+38 * 10 = inf\n");
    r = tcalc({"--format", "value", "--lanes", "1,2,3,4 - 1,1,1,1"});
    EXPECT_EQ(r.out, "0, 1, 2, 3\n");
}

// Each lane's IEEE exceptions, from MXCSR: invalid, division by zero and overflow always;
// underflow and inexact with --verbose. Quiet NaNs and exact infinities raise nothing.
TEST(Tcalc, LanesWarnAboutTheExceptionsEachLaneRaised) {
    const struct {
        std::vector<std::string> args;
        std::string err;  // the whole of standard error
    } cases[] = {
        {{"--lanes", "1e30,-inf,0,1 * 1e30,0,0,inf"},
         "tcalc: warning: column 15: overflow in lane 0: 1e+30 * 1e+30 = inf\n"
         "tcalc: warning: column 15: invalid operation in lane 1: -inf * 0 = nan\n"},
        {{"--lanes", "0,inf,nan,1 / 0,inf,1,3"},
         "tcalc: warning: column 13: invalid operation in lane 0: 0 / 0 = nan\n"
         "tcalc: warning: column 13: invalid operation in lane 1: inf / inf = nan\n"},
        {{"--lanes", "inf,1,-inf,3e38 - inf,nan,-inf,-3e38"},
         "tcalc: warning: column 17: invalid operation in lane 0: inf - inf = nan\n"
         "tcalc: warning: column 17: invalid operation in lane 2: -inf - -inf = nan\n"
         "tcalc: warning: column 17: overflow in lane 3: 3e+38 - -3e+38 = inf\n"},
        {{"--lanes", "-1,inf,1,2 / 0,1,-inf,1"}, "tcalc: warning: column 12: division by zero in lane 0: -1 / 0 = -inf\n"},
        {{"--lanes", "1e-30,1,2,1 * 1e-30,3,2,0.1"}, ""},
        {{"--verbose", "--lanes", "1e-30,1,2,1 * 1e-30,3,2,0.1"},
         "tcalc: warning: column 13: underflow in lane 0: 1e-30 * 1e-30 = 0\n"
         "tcalc: warning: column 13: inexact result in lane 0: 1e-30 * 1e-30 = 0\n"},
        {{"--verbose", "--lanes", "1,2,3,4 / 3,2,1,0.5"}, "tcalc: warning: column 9: inexact result in lane 0: 1 / 3 = 0.33333334\n"},
        {{"--verbose", "--lanes", "1,2,3,4 + 4,3,2,1"}, ""},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, 0) << join(c.args);
        EXPECT_EQ(r.err, c.err) << join(c.args);
    }
}

TEST(Tcalc, Powers) {
    const struct {
        std::string expression, exact;
    } cases[] = {
        {"2 ^ 10", "1024"},   {"2 ** 10", "1024"}, {"(-2) ^ 3", "-8"},    {"-2 ^ 2", "-4"},
        {"2 ^ 3 ^ 2", "512"}, {"3 ^ -2", "1/9"},   {"(1/3) ^ -3", "27"},  {"7 ^ 0", "1"},
        {"0 ^ 0", "1"},       {"5 ^ 1", "5"},      {"2 ^ (7 - 4)", "8"},  {"2 ^ 2 * 3", "12"},
        {"3 ^ 83", "3990838394187339929534246675572349035227"},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc({"--format", "exact", c.expression});
        EXPECT_EQ(r.out, c.exact + "\n") << c.expression << "\n" << r.err;
        EXPECT_EQ(r.err, "") << c.expression;
    }
    // Against the exact power of the stored base: each step drops low trits, so the error
    // grows with n but stays within a few units of 3^-26 per step.
    const struct {
        const char* base;
        int n;
    } rounded[] = {{"1.1", 100}, {"0.9", -50}, {"3.7", 13}, {"-1.01", 333}, {"-1.01", -333}, {"10", 150}};
    for (const auto& c : rounded) {
        const std::string stored = tcalc({"--format", "exact", c.base}).out;  // "n/d"
        const double base = std::strtod(stored.c_str(), nullptr) /
                            (stored.find('/') == std::string::npos ? 1.0 : std::strtod(stored.c_str() + stored.find('/') + 1, nullptr));
        const std::string expression = std::string("(") + c.base + ") ^ " + std::to_string(c.n);
        const double got = std::strtod(tcalc({"--format", "value", expression}).out.c_str(), nullptr);
        const double want = std::pow(base, c.n);
        EXPECT_LT(std::fabs(got - want), std::fabs(want) * 1e-9) << expression << " gives " << got << ", not " << want;
    }
}

TEST(Tcalc, FormatsAndLongExactValues) {
    const struct {
        std::vector<std::string> args;
        std::string out;  // the whole of standard output
    } cases[] = {
        {{"--format", "value", "1/3"}, "0.33333333333333\n"},
        {{"--format=value", "--mant", "6", "1/2"}, "0.5021\n"},
        {{"--format", "exact", "1/3"}, "1/3\n"},
        {{"--format", "trits", "--mant", "6", "5"}, "0.+--000 * 3^3\n"},
        {{"3 ^ 84"}, "3 ^ 84\n  trits    0.+00000000000000000000000000 * 3^85\n"
                     "  exact    1.1972\xE2\x80\xA6" "e+40 (41 digits; --format exact prints all)\n"
                     "  decimal  ~1.1972515182562e+40\n"},
        {{"--exp", "9", "-1e-4000"}, "-1e-4000\n  trits    0.-++++-0+0--+0++-0++0-0000-+ * 3^-8382\n"
                                     "  exact    -1296077399552/1.2960\xE2\x80\xA6" "e+4012 (13 and 4013 digits; --format exact prints all)\n"
                                     "  decimal  ~-1.0000000000002e-4000\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, 0) << join(c.args);
        EXPECT_EQ(r.out, c.out) << join(c.args);
    }
    const std::string all = tcalc({"--exp", "9", "--format", "exact", "1e4000"}).out;
    EXPECT_EQ(all.size(), 4002u);
    EXPECT_EQ(all.rfind("10000000000000033957", 0), 0u) << all.substr(0, 40);
}

// Names and ans live from line to line; a malformed line changes neither; quit stops.
TEST(Tcalc, MemoryAcrossLines) {
    const Outcome r = tcalc({"--format", "exact"},
                            "x = 1/3\nx * 3\nans + 1\nrate_2 = ans * 2\nrate_2 - x\nx = x + 1\nx\n"
                            "x = 1 +\nans\nhelp\nquit\n5\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.substr(0, r.out.find("  numbers")), "1/3\n1\n2\n4\n11/3\n4/3\n4/3\n4/3\n");
    EXPECT_NE(r.out.find("commands  help  quit  exit"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("5\n"), std::string::npos) << "a line after quit was read";
    EXPECT_EQ(r.err, "tcalc: error: line 8, column 8: expected a number or '(' after '+', found the end of the expression\n");
}

TEST(Tcalc, Version) {
    const Outcome r = tcalc({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tcalc (kestrom) " TCALC_EXPECTED_VERSION "\n");
}

TEST(Tcalc, StandardInputOneExpressionALine) {
    const Outcome r = tcalc({"--mant", "6"}, "2 - 1\n\n# a comment\n1 +\n(9 + 1) * 2 - 5\r\n");
    EXPECT_EQ(r.status, 1);  // one line was malformed
    EXPECT_EQ(r.err, "tcalc: error: line 4, column 4: expected a number or '(' after '+', found the end of the expression\n");
    EXPECT_EQ(r.out,
              "2 - 1\n  trits    0.+00000 * 3^1\n  exact    1\n  decimal  1\n"
              "(9 + 1) * 2 - 5\n  trits    0.+--000 * 3^4\n  exact    15\n  decimal  15\n");
    const Outcome empty = tcalc({}, "");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
}

TEST(Tcalc, HelpExplainsEverything) {
    const Outcome r = tcalc({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* topic : {"--mant", "--exp", "--lanes", "--format", "--verbose", "--version", "default 27", "default 6",
                              "standard input", "trits", "exact", "decimal", "division by zero", "overflow", "invalid",
                              "ans", "x ^ n", "square-and-multiply", "sqrt", "atan2(y, x)", "fma(x, y, z)", "pi", "log3", "quit", "Exit status", "Ctrl-C", "XDG_STATE_HOME",
                              ".tcalc_history", "undefined (division by zero)", "<=", "!="})
        EXPECT_NE(r.out.find(topic), std::string::npos) << topic;
}

}  // namespace
