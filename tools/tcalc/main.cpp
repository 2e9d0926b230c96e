// SPDX-License-Identifier: MIT
// tcalc: a calculator over kestrom's balanced-ternary floats (see kHelp below).
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The library's version; TCALC_VERSION comes from the build for trees without the header.
#if __has_include(<kestrom/version.h>)
#include <kestrom/version.h>
#define TCALC_LIBRARY_VERSION KESTROM_VERSION_STRING
#else
#define TCALC_LIBRARY_VERSION TCALC_VERSION
#endif

#include <kestrom/number.hpp>

#include "expression.hpp"
#include "lanes.hpp"
#include "line_reader.hpp"

namespace {

constexpr int kDefaultMant = 27, kMinMant = 2, kMaxMant = 1000;
constexpr int kDefaultExp = 6, kMinExp = 1, kMaxExp = 10;

constexpr int kExitOk = 0, kExitBadExpression = 1, kExitUsage = 2, kExitMeaningless = 3;

// Set by Ctrl-C at the prompt; the line being typed or evaluated is dropped.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) { gInterrupted = 1; }

// Exact values with a numerator or denominator longer than this are shortened in --format full.
constexpr std::size_t kLongDigits = 40;

const char* const kPrompt = "tcalc> ";

const char* const kHelp = R"HELP(tcalc - a calculator over balanced-ternary floating point (the kestrom library)

usage:
  tcalc [OPTIONS] EXPRESSION            evaluate one expression
  tcalc [OPTIONS]                       on a terminal: a prompt with line editing and
                                        history; otherwise expressions from standard input,
                                        one or more a line
  tcalc --lanes "a,b,c,d OP e,f,g,h"    one four-lane binary32 operation of brennic
  tcalc --help | --version

options:
  --mant N     mantissa trits, 2 to 1000; default 27 (about 13 decimal digits)
  --exp N      exponent trits, 1 to 10; default 6 (powers of 3 from -364 to 364,
               about 1e+-173)
  --format F   what is printed for each result:
                 full   the expression and three lines: trits, exact, decimal (the default)
                 value  the decimal alone, one line a result (for scripts)
                 exact  the exact value alone, never shortened
                 trits  the stored trits alone
  --verbose    with --lanes, also warn about underflow and inexact results

Expressions: numbers such as 12, -1.25, .5, 1e-3 or 2.5E+4; + - * / (also × ÷ −); powers
x ^ n (also x ** n); unary minus; parentheses; names; comparisons < <= > >= == != (below
+ and -), giving 1 when they hold and 0 when not, as in bc. "2/3" is a division. A ';'
separates expressions on one line: x = 2; x * x. Quote the expression for the shell:
    tcalc '(9 + 1) * 2 - 5'
Several arguments are joined with spaces, so tcalc 2 + 3 works too (but * and ( need quotes).

Names: "x = 1/3" gives the value a name for the lines after it (then "x * 3"); a name is
letters, digits and _, not starting with a digit. "ans" is the previous line's result;
"pi" and "e" are the constants, rounded to the format (they cannot be given other values).

Functions: sqrt cbrt exp log log3 exp3 sin cos tan asin acos atan of one argument,
pow(x, y), atan2(y, x), hypot(x, y) and fma(x, y, z) = x*y + z, as in sqrt(2) or
atan2(1, -1). Angles are in radians, log is the natural logarithm, log3 and exp3 are
to base 3. Each is one call of kestrom-math and gives the ternary float nearest to the
exact result (ties away from zero), exact results exactly: sqrt(16/9) is 4/3 and
pow(3, 4) is 81; pi and e are the nearest to pi and e. An argument outside the domain (sqrt(-1),
log(0), asin(2)) gives "undefined (invalid operation)"; a result too large for the format
gives "overflow", one too small the nearest of 0 and the smallest number, with a warning.
@FUNCTIONS@
Every number is rounded to the nearest ternary float of the chosen size (exact ties go away
from zero) and every operation is one call of kestrom's add, mul or div. Their results are
kept as the library gives them: low trits are dropped, so a product or quotient can differ
from the exact one in its last trits (1/2 with --mant 6 gives 122/243, not 364/729).

Powers: n must be a whole number (its value as the format holds it), negative too; -2 ^ 2
is -4 and 2 ^ 3 ^ 2 is 2 ^ 9. x ^ n is computed by square-and-multiply, about 2 log2|n|
calls of mul, each dropping low trits as mul does, then for a negative n one div of 1 by
x ^ |n|; so the last trits can differ from the nearest float to the exact power. x ^ 0 is 1.

For each expression --format full prints:
  trits    the stored number: the mantissa's trits after the radix point, most significant
           first, '+' for 1, '0', '-' for -1, then the power of 3:
           0.+--000 * 3^3 is (9 - 3 - 1) = 5
  exact    its exact value, an integer or a fraction in lowest terms; a numerator or
           denominator of more than 40 digits is shortened to its first digits and its size
  decimal  rounded to about as many digits as the mantissa holds; '~' marks a rounded value

A result whose value means nothing prints as what it is instead of a number:
"undefined (division by zero)", "overflow" or "underflow" (an operation's exponent left the
range). So does every result computed from it, through ans and names too; comparisons with
it give it back. --format trits still shows the trits the library returned. Warnings go to
standard error, in order with the results: division by zero, exponent overflow or
underflow, and numbers too large or too small for the exponent (these read as the largest
number or as zero). Errors name the column (and, for standard input, the line) where the
expression goes wrong.

On a terminal: the up and down arrows walk the history, Tab completes names, "help" shows
a summary, "quit", "exit" or Ctrl-D leave, Ctrl-C drops the line being typed or evaluated
and gives a new prompt. With line editing the history is kept between sessions, its last
1000 lines, in $XDG_STATE_HOME/tcalc/history, or ~/.tcalc_history when XDG_STATE_HOME is
not set. From a pipe the same words work, without a prompt.

--lanes runs one of brennic's lane-wise operations on two vectors of four IEEE binary32
numbers: four lanes separated by commas, one of + - * / (also × ÷ −), four more lanes.
A lane is a decimal number, inf, infinity or nan, with an optional sign, rounded to the
nearest binary32. The four results print as the shortest decimals that read back exactly,
with inf, -inf and nan spelled so (--format value prints that line alone):
    tcalc --lanes "1,1,1,0 / 2,0,-0,4"      gives  0.5, inf, -inf, 0
Each lane that raises an IEEE exception is warned about on standard error: invalid
operation, division by zero and overflow always, underflow and inexact with --verbose.

Exit status: 0 when every expression was evaluated to a value (with or without warnings),
1 when an expression was malformed, 3 when none was but some result meant nothing
(undefined, overflow or underflow), 2 when the command line was wrong. At the prompt it is
always 0.
)HELP";

const char* const kPromptHelp = R"(  numbers   12  -1.25  .5  1e-3          operators  + - * /  ^ (powers)  ( )
  compare   < <= > >= == !=  (1 or 0)    several    x = 2; x * x
  names     x = 1/3   then  x * 3        ans        the previous result
  commands  help  quit  exit             tcalc --help tells everything
)";
const char* const kFunctionsHelp =
    tcalc::haveFunctions()
        ? "  functions sqrt(2)  atan2(1, 2)  ...    constants  pi  e\n"
        : "  functions none: this tcalc was built without kestrom-math (MPFR)\n";
const char* const kKeysHelp =
    tcalc::LineReader::editing()
        ? "  keys      up/down: history   Tab: complete a name   Ctrl-C: drop the line   Ctrl-D: leave\n"
        : "  keys      Ctrl-C: drop the line   Ctrl-D: leave (this tcalc was built without line editing)\n";

enum class Output { full, value, exact, trits };

struct Options {
    kestrom::Format format{kDefaultExp, kDefaultMant};
    Output output = Output::full;
    std::vector<std::string> expression;  // the words of the expression, joined later
    std::optional<std::string> lanes;
    bool help = false, version = false, verbose = false;
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

bool readOutput(const std::string& text, Output& out) {
    static const struct {
        const char* name;
        Output output;
    } outputs[] = {{"full", Output::full}, {"value", Output::value}, {"exact", Output::exact}, {"trits", Output::trits}};
    for (const auto& o : outputs)
        if (text == o.name) {
            out = o.output;
            return true;
        }
    usageError("--format is one of full, value, exact and trits, got '" + text + "'");
    return false;
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
        if (arg == "-h" || arg == "--help" || arg == "--version" || arg == "--verbose") {
            (arg == "--version" ? o.version : arg == "--verbose" ? o.verbose : o.help) = true;
            continue;
        }
        std::string name = arg, value;
        const std::size_t eq = arg.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--mant" && name != "--exp" && name != "--lanes" && name != "--format") {
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
        if (name == "--format") {
            if (!readOutput(value, o.output)) return false;
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
// The help without the functions says why.
std::string helpText() {
    std::string help = kHelp;
    const std::string mark = "@FUNCTIONS@";
    help.replace(help.find(mark), mark.size(),
                 tcalc::haveFunctions() ? ""
                                        : "This tcalc was built without kestrom-math (MPFR was not found; Debian:\n"
                                          "libmpfr-dev): the functions, pi and e are not available.\n");
    return help;
}

int decimalDigits(kestrom::Format f) {
    const int digits = static_cast<int>(f.mantLen * 0.47712125471966244 + 0.999999) + 1;
    return digits > 60 ? 60 : digits;
}

// "n" or "-n/d" with each part of more than kLongDigits digits shortened to its first five
// digits and its size: 1.0000…e+4000 (4001 digits; --format exact prints all).
std::string shortExact(const std::string& exact) {
    const std::size_t sign = exact.rfind('-', 0) == 0 ? 1 : 0, slash = exact.find('/');
    std::vector<std::string> parts{exact.substr(sign, slash == std::string::npos ? std::string::npos : slash - sign)};
    if (slash != std::string::npos) parts.push_back(exact.substr(slash + 1));
    bool longPart = false;
    for (const auto& p : parts) longPart = longPart || p.size() > kLongDigits;
    if (!longPart) return exact;
    std::string shown = exact.substr(0, sign), sizes;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        shown += i > 0 ? "/" : "";
        shown += p.size() > kLongDigits ? p.substr(0, 1) + "." + p.substr(1, 4) + "\xE2\x80\xA6" + "e+" + std::to_string(p.size() - 1) : p;
        sizes += (i > 0 ? " and " : "") + std::to_string(p.size());
    }
    return shown + " (" + sizes + " digits; --format exact prints all)";
}

std::string trimmedView(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

std::string trimmed(const std::string& text) { return trimmedView(text); }

// Where the lines come from and how results are shown.
struct Session {
    kestrom::Format format;
    Output output = Output::full;
    bool prompt = false;  // at the terminal: no echo of the line, a caret under errors
    tcalc::Memory memory;
};

std::string where(int line, std::size_t column) {
    std::string w = line > 0 ? "line " + std::to_string(line) + ", " : "";
    return w + "column " + std::to_string(column);
}

// At the prompt, a '^' under the column of the line just typed.
void showColumn(const Session& s, const std::string& text, std::size_t column) {
    if (!s.prompt) return;
    std::string pad(std::string_view(kPrompt).size(), ' ');
    std::size_t col = 1;
    for (std::size_t i = 0; i < text.size() && col < column; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        pad += text[i] == '\t' ? '\t' : ' ';
        ++col;
    }
    std::cerr << pad << "^\n";
}

// What became of a line: every expression a value, a result that means nothing, a malformed
// expression (the rest of the line is not evaluated) or Ctrl-C.
enum class Outcome { values, meaningless, malformed, interrupted };

// Prints one result in the chosen output.
void show(const std::string& text, const kestrom::Number& v, const Session& s) {
    bool exact = false;
    const std::string decimal = v.toDecimal(decimalDigits(s.format), &exact);
    const std::string value = v.meaningless() ? decimal : (exact ? "" : "~") + decimal;
    switch (s.output) {
    case Output::full:
        if (!s.prompt) std::cout << text << "\n";
        std::cout << "  trits    " << v.toTrits() << "\n"
                  << "  exact    " << (v.meaningless() ? v.toText() : shortExact(v.toText())) << "\n"
                  << "  decimal  " << value << "\n";
        break;
    case Output::value: std::cout << decimal << "\n"; break;
    case Output::exact: std::cout << v.toText() << "\n"; break;
    case Output::trits: std::cout << v.toTrits() << "\n"; break;
    }
    std::cout.flush();
}

// Evaluates and prints the expressions of one line, in order, each result right after its
// warnings.
Outcome run(const std::string& text, Session& s, int line) {
    Outcome outcome = Outcome::values;
    for (const tcalc::Statement& st : tcalc::statements(text)) {
        const tcalc::Evaluation e = tcalc::evaluate(st.text, s.format, s.memory, st.column, &gInterrupted);
        if (e.interrupted) return Outcome::interrupted;
        std::cout.flush();  // the warnings after the results before them, also in one stream
        if (!e.value) showColumn(s, text, e.error.column);
        for (const auto& w : e.warnings) std::cerr << "tcalc: warning: " << where(line, w.column) << ": " << w.message << "\n";
        if (!e.value) {
            std::cerr << "tcalc: error: " << where(line, e.error.column) << ": " << e.error.message << "\n";
            return Outcome::malformed;
        }
        show(std::string(st.text.size() == text.size() ? text : trimmedView(st.text)), *e.value, s);
        if (e.value->meaningless()) outcome = Outcome::meaningless;
    }
    return outcome;
}

// The exit status after lines with these outcomes.
int exitStatus(bool malformed, bool meaningless) {
    return malformed ? kExitBadExpression : (meaningless ? kExitMeaningless : kExitOk);
}

int runLanes(const std::string& text, Output output, bool verbose) {
    const tcalc::LaneEvaluation e = tcalc::evaluateLanes(text, verbose);
    if (e.ok && output == Output::full) std::cout << text << "\n" << std::flush;  // the warnings under it
    for (const auto& w : e.warnings) std::cerr << "tcalc: warning: " << where(0, w.column) << ": " << w.message << "\n";
    if (!e.ok) {
        std::cerr << "tcalc: error: " << where(0, e.error.column) << ": " << e.error.message << "\n";
        return kExitBadExpression;
    }
    if (output == Output::full) std::cout << "  lanes    ";
    for (int lane = 0; lane < 4; ++lane) std::cout << (lane > 0 ? ", " : "") << tcalc::laneText(e.result[lane]);
    std::cout << "\n";
    return kExitOk;
}

// Expressions from a pipe or file, one a line, without a prompt; blank lines and lines
// starting with '#' are skipped; quit and exit stop.
int readLines(Session& s) {
    bool malformed = false, meaningless = false;
    std::string text;
    for (int line = 1; std::getline(std::cin, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::string word = trimmed(text);
        if (word.empty() || word[0] == '#') continue;
        if (word == "quit" || word == "exit") break;
        if (word == "help") {
            std::cout << kPromptHelp << kFunctionsHelp << std::flush;
            continue;
        }
        const Outcome o = run(text, s, line);
        malformed = malformed || o == Outcome::malformed;
        meaningless = meaningless || o == Outcome::meaningless;
    }
    return exitStatus(malformed, meaningless);
}

// The prompt on a terminal: every line goes to the history, results print without the echo
// of the line, errors point at their column; malformed lines do not change the exit status.
// Ctrl-C drops the line being typed or evaluated, as python -i does, and prompts again.
int prompt(Session& s) {
    std::setlocale(LC_CTYPE, "");  // for line editing of × ÷ −
    s.prompt = true;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read in progress returns
    sigaction(SIGINT, &action, nullptr);
    tcalc::LineReader reader(
        [&s] {
            std::vector<std::string> words{"ans", "help", "quit", "exit"};
            if (tcalc::haveFunctions()) {
                for (const auto& f : tcalc::kFunctions) words.push_back(f.name);
                for (const char* c : tcalc::kConstants) words.push_back(c);
            }
            for (const auto& n : s.memory.names) words.push_back(n.first);
            return words;
        },
        tcalc::historyFile());
    std::cout << "tcalc " << TCALC_LIBRARY_VERSION << ", " << s.format.mantLen << " mantissa and " << s.format.expLen
              << " exponent trits; help for help, quit to leave\n";
    for (;;) {
        const tcalc::LineReader::Line in = reader.read(kPrompt, &gInterrupted);
        if (in.kind == tcalc::LineReader::Line::end) break;
        if (in.kind == tcalc::LineReader::Line::interrupted) {
            gInterrupted = 0;
            std::cout << "\n";
            continue;
        }
        const std::string word = trimmed(in.text);
        if (word.empty()) continue;
        reader.remember(in.text);
        if (word[0] == '#') continue;
        if (word == "quit" || word == "exit") return kExitOk;
        if (word == "help") {
            std::cout << kPromptHelp << kFunctionsHelp << kKeysHelp;
            continue;
        }
        if (run(in.text, s, 0) == Outcome::interrupted) {
            gInterrupted = 0;
            std::cout << "interrupted\n";
        }
    }
    std::cout << "\n";  // after Ctrl-D the cursor is still on the prompt's line
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArguments(argc, argv, o)) return kExitUsage;
    if (o.help) {
        std::cout << helpText();
        return kExitOk;
    }
    if (o.version) {
        std::cout << "tcalc (kestrom) " << TCALC_LIBRARY_VERSION << "\n";
        return kExitOk;
    }
    if (o.lanes) {
        if (!o.expression.empty()) {
            usageError("--lanes takes its operation as its value; '" + o.expression.front() + "' is left over");
            return kExitUsage;
        }
        if (o.output == Output::exact || o.output == Output::trits) {
            usageError("--lanes prints binary32 lanes: --format full or value");
            return kExitUsage;
        }
        return runLanes(*o.lanes, o.output, o.verbose);
    }
    Session s{o.format, o.output, false, {}};
    if (o.expression.empty()) return isatty(STDIN_FILENO) ? prompt(s) : readLines(s);
    std::string text;
    for (const auto& word : o.expression) text += (text.empty() ? "" : " ") + word;
    const Outcome outcome = run(text, s, 0);
    return exitStatus(outcome == Outcome::malformed, outcome == Outcome::meaningless);
}
