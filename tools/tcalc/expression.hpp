// SPDX-License-Identifier: MIT
// tcalc's expressions: + - * / (also the signs × ÷ −), powers x ^ n (also **) for whole n,
// unary minus and plus, parentheses, comparisons (< <= > >= == != giving 1 or 0), over
// decimal numbers (12, -1.25, .5, 1e-3, 2.5E+4), names (ans, the previous result, the
// constants pi and e, and those given by "name = expression") and calls of the functions of
// functions.hpp, as sqrt(2) or atan2(1, 2); ';' separates expressions on a line. Every number is
// rounded to the nearest ternary float of the chosen format and every operation is one call
// of the library through kestrom::Number (a power is several). Positions are 1-based columns
// counted in characters.
#ifndef TCALC_EXPRESSION_HPP
#define TCALC_EXPRESSION_HPP

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <kestrom/number.hpp>

#include "functions.hpp"

namespace tcalc {

struct Diagnostic {
    std::size_t column = 0;
    std::string message;
};

// What earlier lines left behind: the previous result and the named values.
struct Memory {
    std::optional<kestrom::Number> ans;
    std::map<std::string, kestrom::Number> names;
};

struct Evaluation {
    std::optional<kestrom::Number> value;  // empty when the expression is malformed
    std::string assigned;                  // the name, for "name = expression"
    Diagnostic error;
    std::vector<Diagnostic> warnings;  // division by zero, exponent out of range
    bool interrupted = false;          // stopped by *stop (Ctrl-C); nothing was kept
};

// One expression of a line: its text and the column where it starts.
struct Statement {
    std::string_view text;
    std::size_t column = 1;
};

// The expressions of a line, separated by ';'; empty ones are left out, unless all are (then
// the whole line is the one expression, which is empty).
inline std::vector<Statement> statements(std::string_view line) {
    std::vector<Statement> out;
    std::size_t start = 0, column = 1, startColumn = 1;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ';') {
            const std::string_view piece = line.substr(start, i - start);
            if (piece.find_first_not_of(" \t\r") != std::string_view::npos) out.push_back({piece, startColumn});
            start = i + 1;
            startColumn = column + 1;
        }
        if (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
    }
    if (out.empty()) out.push_back({line, 1});
    return out;
}

// Words that mean something alone on a line; they cannot be names.
inline bool isCommand(std::string_view word) { return word == "help" || word == "quit" || word == "exit"; }

namespace detail {

struct Token {
    enum Kind { number, name, plus, minus, times, divide, power, assign, open, close, less, lessEqual, greater,
                greaterEqual, equal, notEqual, comma, end } kind = end;
    std::size_t column = 0;
    std::string text;  // the number's or name's characters, or how the operator was written
};

struct Malformed {
    Diagnostic diagnostic;
};

struct Interrupted {};

[[noreturn]] inline void fail(std::size_t column, std::string message) { throw Malformed{{column, std::move(message)}}; }

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

// Splits the text into tokens, keeping each one's column.
class Lexer {
public:
    explicit Lexer(std::string_view text, std::size_t column = 1) : text_(text), column_(column) {}

    std::vector<Token> tokens() {
        std::vector<Token> out;
        for (;;) {
            while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) advance(1);
            const std::size_t column = column_;
            if (pos_ >= text_.size()) {
                out.push_back({Token::end, column, ""});
                return out;
            }
            const char c = text_[pos_];
            if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) {
                out.push_back({Token::number, column, number()});
                continue;
            }
            if (isLetter(c)) {
                const std::size_t start = pos_;
                while (isLetter(peek()) || isDigit(peek())) advance(1);
                out.push_back({Token::name, column, std::string(text_.substr(start, pos_ - start))});
                continue;
            }
            static const struct {
                const char* spelling;
                Token::Kind kind;
            } symbols[] = {{"**", Token::power},   {"+", Token::plus},   {"-", Token::minus},
                           {"*", Token::times},    {"/", Token::divide}, {"^", Token::power},
                           {"<=", Token::lessEqual}, {">=", Token::greaterEqual}, {"==", Token::equal},
                           {"!=", Token::notEqual}, {"<", Token::less},  {">", Token::greater},
                           {"=", Token::assign},   {"(", Token::open},   {")", Token::close}, {",", Token::comma},
                           {"\xC3\x97", Token::times}, {"\xC3\xB7", Token::divide}, {"\xE2\x88\x92", Token::minus}};
            bool matched = false;
            for (const auto& s : symbols) {
                const std::string_view spelling(s.spelling);
                if (text_.substr(pos_, spelling.size()) == spelling) {
                    out.push_back({s.kind, column, std::string(spelling)});
                    advance(spelling.size());
                    matched = true;
                    break;
                }
            }
            if (!matched) unexpected(column, "");
        }
    }

private:
    // Reads digits [. digits] [e [sign] digits]; the caller has checked the first character.
    std::string number() {
        const std::size_t start = pos_;
        digits();
        if (peek() == '.') {
            advance(1);
            digits();
            if (peek() == '.') fail(column_, "a number has only one decimal point");
        }
        if (peek() == 'e' || peek() == 'E') {
            advance(1);
            if (peek() == '+' || peek() == '-') advance(1);
            if (!isDigit(peek())) fail(column_, "expected the digits of the exponent after 'e' (as in 1e-3)");
            digits();
        }
        if (isLetter(peek()) || peek() == '.') unexpected(column_, " after a number");
        return std::string(text_.substr(start, pos_ - start));
    }

    void digits() {
        while (isDigit(peek())) advance(1);
    }

    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    // Moves over n bytes; UTF-8 continuation bytes do not start a column.
    void advance(std::size_t n) {
        for (std::size_t i = 0; i < n && pos_ < text_.size(); ++i, ++pos_)
            if ((static_cast<unsigned char>(text_[pos_]) & 0xC0) != 0x80) ++column_;
    }

    [[noreturn]] void unexpected(std::size_t column, const char* where) {
        std::size_t len = 1;  // the whole UTF-8 sequence of the character
        while (pos_ + len < text_.size() && (static_cast<unsigned char>(text_[pos_ + len]) & 0xC0) == 0x80) ++len;
        const std::string ch(text_.substr(pos_, len));
        fail(column, "unexpected '" + ch + "'" + where + "; tcalc knows numbers, names, + - * / ^ = < > ! ; , and parentheses");
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t column_;
};

// Recursive descent over the tokens, evaluating as it goes:
//   line    := name '=' compare | compare
//   compare := sum (('<' | '<=' | '>' | '>=' | '==' | '!=') sum)*     1 or 0, as bc gives
//   sum     := product (('+' | '-') product)*
//   product := unary (('*' | '/') unary)*
//   unary   := ('-' | '+') unary | power
//   power   := primary ('^' unary)?          so -2^2 is -4 and 2^3^2 is 2^9
//   primary := number | name | name '(' compare (',' compare)* ')' | '(' compare ')'
class Parser {
public:
    Parser(std::vector<Token> tokens, kestrom::Format format, const Memory& memory, std::vector<Diagnostic>& warnings,
           const volatile std::sig_atomic_t* stop)
        : tokens_(std::move(tokens)), format_(format), memory_(memory), warnings_(warnings), stop_(stop) {}

    // The value of the line; `assigned` is set to the name of "name = sum".
    kestrom::Number line(std::string& assigned) {
        if (tokens_.size() > 2 && tokens_[0].kind == Token::name && tokens_[1].kind == Token::assign) {
            const Token& name = tokens_[0];
            if (name.text == "ans") fail(name.column, "'ans' is always the previous result; choose another name");
            if (isCommand(name.text)) fail(name.column, "'" + name.text + "' is a command; choose another name");
            if (isConstant(name.text)) fail(name.column, "'" + name.text + "' is a constant; choose another name");
            if (findFunction(name.text) != nullptr) fail(name.column, "'" + name.text + "' is a function; choose another name");
            next_ = 2;
            assigned = name.text;
        }
        if (peek().kind == Token::end) fail(next_ == 0 ? 1 : peek().column, next_ == 0 ? "the expression is empty" : "expected an expression after '='");
        kestrom::Number value = comparison();
        if (peek().kind == Token::close) fail(peek().column, "unmatched ')'");
        if (peek().kind == Token::assign)
            fail(peek().column, "'=' gives a name to a value only at the start of a line, as in x = 1/3");
        if (peek().kind != Token::end) fail(peek().column, "expected an operator (+ - * / ^) before " + describe(peek()));
        return value;
    }

private:
    static constexpr int kMaxDepth = 200;

    const Token& peek() const { return tokens_[next_]; }
    const Token& take() { return tokens_[next_++]; }

    static std::string describe(const Token& t) {
        return t.kind == Token::end ? "the end of the expression" : "'" + t.text + "'";
    }

    static bool isComparison(Token::Kind k) {
        return k == Token::less || k == Token::lessEqual || k == Token::greater || k == Token::greaterEqual ||
               k == Token::equal || k == Token::notEqual;
    }

    // 1 when the comparison holds, 0 when not; a meaningless operand gives itself, mark and all.
    kestrom::Number comparison() {
        kestrom::Number value = sum();
        while (isComparison(peek().kind)) {
            const Token op = take();
            const kestrom::Number right = sum();
            if (value.meaningless()) continue;
            if (right.meaningless()) {
                value = right;
                continue;
            }
            const bool holds = op.kind == Token::less      ? value < right
                               : op.kind == Token::lessEqual ? value <= right
                               : op.kind == Token::greater   ? value > right
                               : op.kind == Token::greaterEqual ? value >= right
                               : op.kind == Token::equal     ? value == right
                                                             : value != right;
            value = kestrom::Number::fromInt(holds ? 1 : 0, format_);
        }
        return value;
    }

    kestrom::Number sum() {
        kestrom::Number value = product();
        while (peek().kind == Token::plus || peek().kind == Token::minus) {
            const Token op = take();
            const kestrom::Number right = product();
            value = apply(value, op, right);
        }
        return value;
    }

    kestrom::Number product() {
        kestrom::Number value = unary();
        while (peek().kind == Token::times || peek().kind == Token::divide) {
            const Token op = take();
            const kestrom::Number right = unary();
            value = apply(value, op, right);
        }
        return value;
    }

    kestrom::Number unary() {
        if (peek().kind == Token::minus || peek().kind == Token::plus) {
            const Token op = take();
            const kestrom::Number operand = nested([this] { return unary(); }, op.column);
            return op.kind == Token::minus ? -operand : operand;
        }
        return power();
    }

    kestrom::Number power() {
        kestrom::Number base = primary();
        if (peek().kind != Token::power) return base;
        const Token op = take();
        const std::size_t column = peek().column;
        const kestrom::Number exponent = nested([this] { return unary(); }, op.column);
        return raise(base, op, exponent, column);
    }

    kestrom::Number primary() {
        const Token& t = take();
        if (t.kind == Token::number) return literal(t);
        if (t.kind == Token::name && peek().kind == Token::open) return call(t);
        if (t.kind == Token::name) return recall(t);
        if (t.kind == Token::open) {
            const kestrom::Number value = nested([this] { return comparison(); }, t.column);
            if (peek().kind != Token::close)
                fail(peek().column, "expected ')' to close the '(' at column " + std::to_string(t.column) + ", found " + describe(peek()));
            take();
            return value;
        }
        const std::string after = next_ >= 2 ? " after '" + tokens_[next_ - 2].text + "'" : "";
        fail(t.column, "expected a number or '('" + after + ", found " + describe(t));
    }

    template <class F>
    kestrom::Number nested(F inner, std::size_t column) {
        if (++depth_ > kMaxDepth) fail(column, "nested more than " + std::to_string(kMaxDepth) + " levels deep");
        kestrom::Number value = inner();
        --depth_;
        return value;
    }

    kestrom::Number literal(const Token& t) {
        const kestrom::Number value = *kestrom::Number::fromText(t.text, format_);
        const std::string limits = rangeText();
        std::string shown = t.text;  // a long literal is shown by its ends and its length
        if (shown.size() > 40)
            shown = shown.substr(0, 16) + "..." + shown.substr(shown.size() - 8) + " (" + std::to_string(shown.size()) + " characters)";
        if (value.overflow())
            warn(t.column, shown + " is too large for " + limits + "; it reads as the largest number, " + value.toDecimal(6));
        else if (value.underflow())
            warn(t.column, shown + " is too small for " + limits + "; it reads as " + value.toDecimal(6));
        return value;
    }

    // name(arguments): one call of kestrom-math. A meaningless argument is the result, mark
    // and all, as in the operators.
    kestrom::Number call(const Token& name) {
        const Function* f = findFunction(name.text);
        if (f == nullptr) fail(name.column, "unknown function '" + name.text + "'; tcalc --help lists the functions");
        const Token& open = take();
        std::vector<kestrom::Number> args;
        for (;;) {
            args.push_back(nested([this] { return comparison(); }, open.column));
            if (peek().kind != Token::comma) break;
            take();
        }
        if (peek().kind != Token::close)
            fail(peek().column, "expected ',' or ')' to close the '(' at column " + std::to_string(open.column) + ", found " + describe(peek()));
        take();
        const std::string plural = f->arity == 1 ? "" : "s";
        if (static_cast<int>(args.size()) != f->arity)
            fail(name.column, "'" + name.text + "' takes " + std::to_string(f->arity) + " argument" + plural + ", not " +
                                  std::to_string(args.size()));
        noFunctions(name);
        for (const kestrom::Number& a : args)
            if (a.meaningless()) return a;
#ifdef TCALC_HAVE_MATH
        checkStop();
        for (kestrom::Number& a : args) a.clearFlags();
        return reportCall(callFunction(*f, args.data()), name);
#else
        return args.front();  // not reached: noFunctions failed
#endif
    }

    void noFunctions(const Token& name) const {
        if (!haveFunctions())
            fail(name.column, "'" + name.text + "' needs kestrom-math, which this tcalc was built without (Debian: libmpfr-dev)");
    }

    // Warns about a function's result. The invalid result of an argument outside the domain
    // is meaningless already; a result beyond the range is made so as well (the library
    // saturates it), as the operators' overflow is. Below the range the library gives the
    // nearest of zero and the smallest magnitude, which stands, with a warning.
    kestrom::Number reportCall(kestrom::Number r, const Token& name) {
        if (r.invalid()) {
            warn(name.column, "'" + name.text + "' is undefined for this argument (outside its domain)");
            return r;
        }
        if (r.overflow()) {
            warn(name.column, "exponent overflow in '" + name.text + "': the result is too large for " + rangeText() + "; its value is meaningless");
            return r.meaningless() ? r : r * kestrom::Number::fromInt(3, format_);  // beyond the largest: the mark
        }
        if (r.underflow())
            warn(name.column, "exponent underflow in '" + name.text + "': the result is too small for " + rangeText() + "; it is " + r.toDecimal(6));
        return r;
    }

    kestrom::Number recall(const Token& t) {
        if (findFunction(t.text) != nullptr) fail(t.column, "'" + t.text + "' is a function: write " + t.text + "(...)");
        if (isConstant(t.text)) {
            noFunctions(t);
#ifdef TCALC_HAVE_MATH
            return constant(t.text, format_);
#endif
        }
        if (t.text == "ans") {
            if (!memory_.ans) fail(t.column, "'ans' has no value yet: it is the result of the previous line");
            return *memory_.ans;
        }
        const auto found = memory_.names.find(t.text);
        if (found == memory_.names.end()) {
            const std::string hint = isCommand(t.text) ? "; '" + t.text + "' is a command only alone on a line"
                                                       : " (give it a value first: " + t.text + " = ...)";
            fail(t.column, "unknown name '" + t.text + "'" + hint);
        }
        return found->second;
    }

    // a op b; warns about what this operation itself raised (flags are sticky, so the
    // operands' own flags are cleared first: 9 * 9 with --exp 1 overflows twice).
    kestrom::Number apply(kestrom::Number a, const Token& op, kestrom::Number b) {
        checkStop();
        a.clearFlags();
        b.clearFlags();
        kestrom::Number r = op.kind == Token::plus    ? a + b
                            : op.kind == Token::minus ? a - b
                            : op.kind == Token::times ? a * b
                                                      : a / b;
        report(r, op);
        return r;
    }

    // base ^ n for a whole n, by square-and-multiply from the top bit of |n|: each step is
    // one library multiplication and rounds as mul does; a negative n ends with 1 / base^|n|.
    // x ^ 0 is 1 for every x. The warnings cover every step.
    kestrom::Number raise(kestrom::Number base, const Token& op, const kestrom::Number& exponent, std::size_t column) {
        if (exponent.meaningless()) return exponent;
        const kestrom::Rational n = exponent.toRational();
        if (compare(n.den, kestrom::BigUint(1)) != 0)
            fail(column, "the power after '" + op.text + "' must be a whole number, not " + exponent.toDecimal(6));
        if (n.num.bitLength() > 62) fail(column, "the power after '" + op.text + "' is beyond 2^62 in size");
        const std::uint64_t magnitude = n.num.low64();
        base.clearFlags();
        const kestrom::Number one = kestrom::Number::fromInt(1, format_);
        if (magnitude == 0) return one;
        int top = 63;
        while ((magnitude >> top) == 0) --top;
        kestrom::Number r = base;
        for (int bit = top - 1; bit >= 0; --bit) {
            checkStop();
            r = r * r;
            if (((magnitude >> bit) & 1) != 0) r = r * base;
        }
        if (n.negative) r = one / r;
        report(r, op);
        return r;
    }

    // Warns about the flags r carries: those raised on the way from operands that had none.
    void report(const kestrom::Number& r, const Token& op) {
        const unsigned fresh = r.flags();
        const std::string where = "'" + op.text + "'";
        if ((fresh & kestrom::Flag::divisionByZero) != 0)
            warn(op.column, "division by zero; the library returns " + r.toRational().toDecimal(6) + ", which means nothing");
        if ((fresh & kestrom::Flag::overflow) != 0)
            warn(op.column, "exponent overflow in " + where + ": the result is too large for " + rangeText() + "; its value is meaningless");
        if ((fresh & kestrom::Flag::underflow) != 0)
            warn(op.column, "exponent underflow in " + where + ": the result is too small for " + rangeText() + "; its value is meaningless");
    }

    std::string rangeText() const {
        return "--exp " + std::to_string(format_.expLen) + " (exponents -" + std::to_string(format_.maxExponent()) +
               " to " + std::to_string(format_.maxExponent()) + ")";
    }

    void warn(std::size_t column, std::string message) { warnings_.push_back({column, std::move(message)}); }

    void checkStop() const {
        if (stop_ != nullptr && *stop_ != 0) throw Interrupted{};
    }

    std::vector<Token> tokens_;
    std::size_t next_ = 0;
    int depth_ = 0;
    kestrom::Format format_;
    const Memory& memory_;
    std::vector<Diagnostic>& warnings_;
    const volatile std::sig_atomic_t* stop_;
};

}  // namespace detail

// Evaluates one expression (a statement of a line, starting at `column`) in the given format
// (which must be valid). When it is well formed, its value becomes memory's ans and, for
// "name = expression", the name's value; a meaningless value keeps its mark there. When
// *stop becomes non-zero the evaluation ends with `interrupted` and memory unchanged.
inline Evaluation evaluate(std::string_view text, kestrom::Format format, Memory& memory, std::size_t column = 1,
                           const volatile std::sig_atomic_t* stop = nullptr) {
    Evaluation result;
    try {
        detail::Parser parser(detail::Lexer(text, column).tokens(), format, memory, result.warnings, stop);
        result.value = parser.line(result.assigned);
    } catch (const detail::Malformed& m) {
        result.value.reset();
        result.assigned.clear();
        result.error = m.diagnostic;
        return result;
    } catch (const detail::Interrupted&) {
        result.value.reset();
        result.assigned.clear();
        result.warnings.clear();
        result.interrupted = true;
        return result;
    }
    memory.ans = result.value;
    if (!result.assigned.empty()) memory.names.insert_or_assign(result.assigned, *result.value);
    return result;
}

}  // namespace tcalc

#endif
