// tcalc as a user meets it: the binary is run with arguments and standard input, and its
// exit status, standard output and standard error are checked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

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
        {{"2 (3)"}, 1, "tcalc: error: column 3: expected an operator (+ - * /) before '('\n"},
        {{"1.2.3"}, 1, "tcalc: error: column 4: a number has only one decimal point\n"},
        {{"2 ^ 3"}, 1, "tcalc: error: column 3: unexpected '^'; tcalc knows numbers, + - * / and parentheses\n"},
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
        {{"--lanes", "1,2,3 + 4,5,6,7"}, 1, "tcalc: error: column 7: expected ',' and lane 4 of the left vector, found '+' (a vector is four numbers separated by commas)\n"},
        {{"--lanes", "1,2,3,4 + 5,6,7,x"}, 1, "tcalc: error: column 17: lane 4 of the right vector is 'x'; a lane is a number, inf or nan\n"},
        {{"--lanes", "1,2,3,4 % 5,6,7,8"}, 1, "tcalc: error: column 9: expected an operator (+ - * /) after the four lanes of the left vector, found '%'\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, c.status) << join(c.args);
        EXPECT_EQ(r.err, c.err) << join(c.args);
        EXPECT_EQ(r.out, "") << join(c.args);
    }
}

TEST(Tcalc, WarningsAreShownAndTheResultStillPrinted) {
    const struct {
        std::vector<std::string> args;
        std::string warning, exact;
    } cases[] = {
        {{"--mant", "6", "--exp", "4", "1/0"}, "tcalc: warning: column 2: division by zero; the library returns -8, which means nothing\n", "-8"},
        {{"--exp", "2", "--mant", "6", "40 * 40"}, "tcalc: warning: column 4: exponent overflow in '*': the result is too large for --exp 2 (exponents -4 to 4); its value is meaningless\n", ""},
        {{"--exp", "2", "1/27/27"}, "tcalc: warning: column 5: exponent underflow in '/': the result is too small for --exp 2 (exponents -4 to 4); its value is meaningless\n", ""},
        {{"1e-999"}, "tcalc: warning: column 1: 1e-999 is too small for --exp 6 (exponents -364 to 364); it reads as 0\n", "0"},
        {{"--exp", "1", "--mant", "3", "1 * 1e9999999999999999999"}, "tcalc: warning: column 5: 1e9999999999999999999 is too large for --exp 1 (exponents -1 to 1); it reads as the largest number, 1.44444\n", ""},
    };
    for (const auto& c : cases) {
        const Outcome r = tcalc(c.args);
        EXPECT_EQ(r.status, 0) << join(c.args);
        EXPECT_NE(r.err.find(c.warning), std::string::npos) << join(c.args) << "\n" << r.err;
        EXPECT_NE(r.out.find("  exact    " + c.exact), std::string::npos) << join(c.args) << "\n" << r.out;
    }
}

TEST(Tcalc, Lanes) {
    Outcome r = tcalc({"--lanes", "1,1,1,0 / 2,0,-0,4"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1,1,1,0 / 2,0,-0,4\n  lanes    0.5, inf, -inf, 0\n");
    EXPECT_EQ(r.err, "tcalc: warning: column 9: division by zero in lane 2: 1 / 0 = inf\n"
                     "tcalc: warning: column 9: division by zero in lane 3: 1 / -0 = -inf\n");
    r = tcalc({"--lanes=10,20,30,40 - 1,2,3,4"});
    EXPECT_EQ(r.out, "10,20,30,40 - 1,2,3,4\n  lanes    9, 18, 27, 36\n");
    r = tcalc({"--lanes", "0.1, INF, nan, 3e38 * 3, -1, 0, 10"});
    EXPECT_EQ(r.out, "0.1, INF, nan, 3e38 * 3, -1, 0, 10\n  lanes    0.3, -inf, nan, inf\n");
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
    for (const char* topic : {"--mant", "--exp", "--lanes", "default 27", "default 6", "standard input", "trits", "exact",
                              "decimal", "division by zero", "overflow", "Exit status"})
        EXPECT_NE(r.out.find(topic), std::string::npos) << topic;
}

}  // namespace
