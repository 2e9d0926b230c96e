// tcalc: a calculator over kestrom's balanced-ternary floats (see kHelp below).
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "expression.hpp"
#include "lanes.hpp"
#include "kestrom/number.hpp"

namespace {

constexpr int kDefaultMant = 27, kMinMant = 2, kMaxMant = 1000;
constexpr int kDefaultExp = 6, kMinExp = 1, kMaxExp = 10;

constexpr int kExitOk = 0, kExitBadExpression = 1, kExitUsage = 2;

const char* const kHelp = R"(tcalc - a calculator over balanced-ternary floating point (the kestrom library)

usage:
  tcalc [--mant N] [--exp N] EXPRESSION   evaluate one expression
  tcalc [--mant N] [--exp N]              read expressions from standard input, one a line
  tcalc --lanes "a,b,c,d OP e,f,g,h"      one four-lane binary32 operation of brennic
  tcalc --help                            this text

Expressions: numbers such as 12, -1.25, .5, 1e-3 or 2.5E+4; + - * / (also × ÷ −); unary
minus; parentheses. "2/3" is a division. Quote the expression for the shell:
    tcalc '(9 + 1) * 2 - 5'
Several arguments are joined with spaces, so tcalc 2 + 3 works too (but * and ( need quotes).

Every number is rounded to the nearest ternary float of the chosen size (exact ties go away
from zero) and every operation is one call of kestrom's add, mul or div. Their results are
kept as the library gives them: low trits are dropped, so a product or quotient can differ
from the exact one in its last trits (1/2 with --mant 6 gives 122/243, not 364/729).

  --mant N   mantissa trits, 2 to 1000; default 27 (about 13 decimal digits)
  --exp N    exponent trits, 1 to 10; default 6 (powers of 3 from -364 to 364, about 1e+-173)

For each expression tcalc prints:
  trits    the stored number: the mantissa's trits after the radix point, most significant
           first, '+' for 1, '0', '-' for -1, then the power of 3:
           0.+--000 * 3^3 is (9 - 3 - 1) = 5
  exact    its exact value, an integer or a fraction in lowest terms
  decimal  rounded to about as many digits as the mantissa holds; '~' marks a rounded value

Warnings go to standard error and the result is still printed: division by zero (the
library's answer is meaningless), exponent overflow or underflow (the result does not fit
the exponent and its value is meaningless), and numbers too large or too small for the
exponent. Errors name the column (and, for standard input, the line) where the expression
goes wrong.

--lanes runs one of brennic's lane-wise operations on two vectors of four IEEE binary32
numbers: four lanes separated by commas, one of + - * / (also × ÷ −), four more lanes.
A lane is a decimal number, inf, infinity or nan, with an optional sign, rounded to the
nearest binary32. The four results print as the shortest decimals that read back exactly,
with inf, -inf and nan spelled so:
    tcalc --lanes "1,1,1,0 / 2,0,-0,4"      gives  0.5, inf, -inf, 0
Each lane divided by zero is warned about on standard error.

Exit status: 0 when every expression was evaluated (with or without warnings), 1 when an
expression was malformed, 2 when the command line was wrong.
)";

struct Options {
    kestrom::Format format{kDefaultExp, kDefaultMant};
    std::vector<std::string> expression;  // the words of the expression, joined later
    std::optional<std::string> lanes;
    bool help = false;
};

void usageError(const std::string& message) {
    std::cerr << "tcalc: error: " << message << " (see tcalc --help)\n";
}

// A whole number for --mant or --exp within [low, high]; false after reporting.
bool readCount(const std::string& option, const std::string& text, int low, int high, const char* why, int& out) {
    std::size_t i = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    bool digits = i < text.size();
    for (std::size_t k = i; k < text.size(); ++k) digits = digits && text[k] >= '0' && text[k] <= '9';
    if (!digits) {
        usageError(option + " needs a whole number, got '" + text + "'");
        return false;
    }
    const long long value = text.size() - i > 6 ? (text[0] == '-' ? -1000000 : 1000000) : std::stoll(text);
    if (value < low || value > high) {
        usageError(option + " must be between " + std::to_string(low) + " and " + std::to_string(high) + why +
                   ", got " + text);
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

// Options are "--", and words that start with "-" or "--" and a letter; anything else
// ("-1", "-(2)", "--1") is part of the expression.
bool isOption(const std::string& arg) {
    if (arg == "--") return true;
    const std::size_t dashes = arg.rfind("--", 0) == 0 ? 2 : (arg.rfind('-', 0) == 0 ? 1 : 0);
    const char c = arg.size() > dashes ? arg[dashes] : '\0';
    return dashes > 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

bool parseArguments(int argc, char** argv, Options& o) {
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsDone || !isOption(arg)) {
            o.expression.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        std::string name = arg, value;
        const std::size_t eq = arg.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--mant" && name != "--exp" && name != "--lanes") {
            usageError("unknown option '" + arg + "'");
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                usageError(name + " needs a value");
                return false;
            }
            value = argv[++i];
        }
        if (name == "--lanes") {
            o.lanes = value;
            continue;
        }
        const bool ok = name == "--mant"
                            ? readCount(name, value, kMinMant, kMaxMant, " (division needs at least 2 trits)", o.format.mantLen)
                            : readCount(name, value, kMinExp, kMaxExp, " (more trits make exact results tens of thousands of digits long)", o.format.expLen);
        if (!ok) return false;
    }
    return true;
}

// Decimal digits to show: one more than the mantissa holds, at most 60.
int decimalDigits(kestrom::Format f) {
    const int digits = static_cast<int>(f.mantLen * 0.47712125471966244 + 0.999999) + 1;
    return digits > 60 ? 60 : digits;
}

std::string where(int line, std::size_t column) {
    std::string w = line > 0 ? "line " + std::to_string(line) + ", " : "";
    return w + "column " + std::to_string(column);
}

// Evaluates and prints one expression; false if it was malformed.
bool run(const std::string& text, kestrom::Format format, int line) {
    const tcalc::Evaluation e = tcalc::evaluate(text, format);
    for (const auto& w : e.warnings) std::cerr << "tcalc: warning: " << where(line, w.column) << ": " << w.message << "\n";
    if (!e.value) {
        std::cerr << "tcalc: error: " << where(line, e.error.column) << ": " << e.error.message << "\n";
        return false;
    }
    bool exact = false;
    const std::string decimal = e.value->toDecimal(decimalDigits(format), &exact);
    std::cout << text << "\n"
              << "  trits    " << e.value->toTrits() << "\n"
              << "  exact    " << e.value->toText() << "\n"
              << "  decimal  " << (exact ? "" : "~") << decimal << "\n";
    std::cout.flush();
    return true;
}

int runLanes(const std::string& text) {
    const tcalc::LaneEvaluation e = tcalc::evaluateLanes(text);
    for (const auto& w : e.warnings) std::cerr << "tcalc: warning: " << where(0, w.column) << ": " << w.message << "\n";
    if (!e.ok) {
        std::cerr << "tcalc: error: " << where(0, e.error.column) << ": " << e.error.message << "\n";
        return kExitBadExpression;
    }
    std::cout << text << "\n  lanes    ";
    for (int lane = 0; lane < 4; ++lane) std::cout << (lane > 0 ? ", " : "") << tcalc::laneText(e.result[lane]);
    std::cout << "\n";
    return kExitOk;
}

int readLines(kestrom::Format format) {
    if (isatty(STDIN_FILENO))
        std::cerr << "tcalc: reading expressions, one a line; end with Ctrl-D (tcalc --help for more)\n";
    bool allGood = true;
    std::string text;
    for (int line = 1; std::getline(std::cin, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.find_first_not_of(" \t") == std::string::npos || text[text.find_first_not_of(" \t")] == '#') continue;
        allGood = run(text, format, line) && allGood;
    }
    return allGood ? kExitOk : kExitBadExpression;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArguments(argc, argv, o)) return kExitUsage;
    if (o.help) {
        std::cout << kHelp;
        return kExitOk;
    }
    if (o.lanes) {
        if (!o.expression.empty()) {
            usageError("--lanes takes its operation as its value; '" + o.expression.front() + "' is left over");
            return kExitUsage;
        }
        return runLanes(*o.lanes);
    }
    if (o.expression.empty()) return readLines(o.format);
    std::string text;
    for (const auto& word : o.expression) text += (text.empty() ? "" : " ") + word;
    return run(text, o.format, 0) ? kExitOk : kExitBadExpression;
}
