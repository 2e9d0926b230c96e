// SPDX-License-Identifier: MIT
// tcalc --lanes: one four-lane binary32 operation of brennic, written "a,b,c,d OP e,f,g,h"
// with OP one of + - * / (also × − ÷). Lanes are decimal numbers (1, -0, 2.5e-3), inf,
// infinity or nan, each with an optional sign, read as the nearest binary32.
//
// The IEEE exceptions each lane raised come from MXCSR's status flags: they are cleared, the
// library is called and the flags read. The flags are sticky and shared by the four lanes, so
// every lane is also computed alone, beside three lanes of 1 op 1 (which raise nothing).
#ifndef TCALC_LANES_HPP
#define TCALC_LANES_HPP

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <xmmintrin.h>

#include "brennic.h"
#include "expression.hpp"

namespace tcalc {

struct LaneEvaluation {
    bool ok = false;
    Diagnostic error;
    std::vector<Diagnostic> warnings;  // literals beyond binary32, exceptions the lanes raised
    float result[4] = {0, 0, 0, 0};
};

// MXCSR's exception status flags.
namespace mxcsr {
constexpr unsigned invalid = 0x01, denormal = 0x02, divisionByZero = 0x04, overflow = 0x08, underflow = 0x10,
                   inexact = 0x20, all = 0x3F;
}

// dst := left op right through brennic; op is one of + - * /.
inline void callBrennic(char op, float* dst, const float* left, const float* right) {
    switch (op) {  // the left operand is the third argument
    case '+': addSSEasm(dst, right, left); break;
    case '-': subSSEasm(dst, right, left); break;
    case '*': mulSSEasm(dst, right, left); break;
    default: divSSEasm(dst, right, left); break;
    }
}

// The MXCSR status flags that brennic's `left op right` raises in one lane. The calling
// thread's MXCSR is restored afterwards.
inline unsigned exceptionsOfLane(char op, float left, float right) {
    float l[4] = {1, 1, 1, 1}, r[4] = {1, 1, 1, 1}, out[4];
    l[0] = left;
    r[0] = right;
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(saved & ~mxcsr::all);
    callBrennic(op, out, l, r);
    const unsigned raised = _mm_getcsr() & mxcsr::all;
    _mm_setcsr(saved);
    return raised;
}

// The shortest text that reads back as f, whole numbers below 10^7 without an exponent;
// inf, -inf and nan spelled so.
inline std::string laneText(float f) {
    if (std::isnan(f)) return "nan";
    if (std::isinf(f)) return f < 0 ? "-inf" : "inf";
    char buf[32];
    if (std::fabs(f) < 1e7f && std::nearbyint(f) == f) {
        std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(f));
        return buf;
    }
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(f));
        if (std::strtof(buf, nullptr) == f) break;
    }
    return buf;
}

namespace detail {

class LaneParser {
public:
    explicit LaneParser(std::string_view text, std::vector<Diagnostic>& warnings) : text_(text), warnings_(warnings) {}

    void vector(float (&out)[4], const char* side) {
        for (int lane = 0; lane < 4; ++lane) {
            skipSpaces();
            if (lane > 0) {
                if (peek() != ',')
                    fail(column_, std::string("expected ',' and lane ") + std::to_string(lane) + " of the " + side +
                                      " vector, found " + found() + " (a vector is four numbers separated by commas)");
                advance(1);
                skipSpaces();
            }
            out[lane] = number(side, lane);
        }
    }

    char op() {
        skipSpaces();
        static const struct {
            const char* spelling;
            char op;
        } ops[] = {{"+", '+'}, {"-", '-'}, {"*", '*'}, {"/", '/'}, {"\xC3\x97", '*'}, {"\xC3\xB7", '/'}, {"\xE2\x88\x92", '-'}};
        for (const auto& o : ops) {
            const std::string_view s(o.spelling);
            if (text_.substr(pos_, s.size()) == s) {
                opColumn = column_;
                advance(s.size());
                return o.op;
            }
        }
        fail(column_, "expected an operator (+ - * /) after the four lanes of the left vector, found " + found());
    }

    void end() {
        skipSpaces();
        if (pos_ < text_.size()) fail(column_, "unexpected " + found() + " after the right vector's four lanes");
    }

    std::size_t opColumn = 0;

private:
    float number(const char* side, int lane) {
        const std::size_t start = pos_, column = column_;
        if (peek() == '+' || peek() == '-') advance(1);
        std::string word;
        while (std::isalpha(static_cast<unsigned char>(peek()))) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(peek())));
            advance(1);
        }
        if (!word.empty()) {
            if (word != "inf" && word != "infinity" && word != "nan")
                fail(column, "lane " + std::to_string(lane) + " of the " + side + " vector is '" + word +
                                 "'; a lane is a number, inf or nan");
        } else {
            bool digits = false;
            while (isDigit(peek()) || peek() == '.') {
                digits = digits || isDigit(peek());
                advance(1);
            }
            if (!digits)
                fail(column_, "expected lane " + std::to_string(lane) + " of the " + side + " vector, found " + found());
            if (peek() == 'e' || peek() == 'E') {
                advance(1);
                if (peek() == '+' || peek() == '-') advance(1);
                if (!isDigit(peek())) fail(column_, "expected the digits of the exponent after 'e' (as in 1e-3)");
                while (isDigit(peek())) advance(1);
            }
        }
        const std::string literal(text_.substr(start, pos_ - start));
        errno = 0;
        char* stop = nullptr;
        const float value = std::strtof(literal.c_str(), &stop);
        if (stop != literal.c_str() + literal.size()) fail(column, "'" + literal + "' is not a number");
        if (word.empty() && std::isinf(value))
            warnings_.push_back({column, literal + " is beyond binary32 and reads as " + laneText(value)});
        else if (word.empty() && value == 0 && literal.find_first_of("123456789") < literal.find_first_of("eE"))
            warnings_.push_back({column, literal + " is below binary32 and reads as " + laneText(value)});
        return value;
    }

    std::string found() const {
        if (pos_ >= text_.size()) return "the end";
        std::size_t len = 1;
        while (pos_ + len < text_.size() && (static_cast<unsigned char>(text_[pos_ + len]) & 0xC0) == 0x80) ++len;
        return "'" + std::string(text_.substr(pos_, len)) + "'";
    }

    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    void skipSpaces() {
        while (peek() == ' ' || peek() == '\t') advance(1);
    }

    void advance(std::size_t n) {
        for (std::size_t i = 0; i < n && pos_ < text_.size(); ++i, ++pos_)
            if ((static_cast<unsigned char>(text_[pos_]) & 0xC0) != 0x80) ++column_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t column_ = 1;
    std::vector<Diagnostic>& warnings_;
};

}  // namespace detail

// Reads and runs one lane-wise operation. Invalid operation, division by zero and overflow
// are warned about in every lane that raised them; underflow and inexact results only when
// `verbose`.
inline LaneEvaluation evaluateLanes(std::string_view text, bool verbose) {
    LaneEvaluation r;
    try {
        detail::LaneParser p(text, r.warnings);
        float left[4], right[4];
        p.vector(left, "left");
        const char op = p.op();
        p.vector(right, "right");
        p.end();
        callBrennic(op, r.result, left, right);
        static const struct {
            unsigned flag;
            const char* name;
            bool always;  // false: only with --verbose
        } exceptions[] = {{mxcsr::invalid, "invalid operation", true},
                          {mxcsr::divisionByZero, "division by zero", true},
                          {mxcsr::overflow, "overflow", true},
                          {mxcsr::underflow, "underflow", false},
                          {mxcsr::inexact, "inexact result", false}};
        const std::string opText(1, op);
        for (int lane = 0; lane < 4; ++lane) {
            const unsigned raised = exceptionsOfLane(op, left[lane], right[lane]);
            for (const auto& e : exceptions)
                if ((raised & e.flag) != 0 && (e.always || verbose))
                    r.warnings.push_back({p.opColumn, std::string(e.name) + " in lane " + std::to_string(lane) + ": " +
                                                          laneText(left[lane]) + " " + opText + " " + laneText(right[lane]) +
                                                          " = " + laneText(r.result[lane])});
        }
        r.ok = true;
    } catch (const detail::Malformed& m) {
        r.error = m.diagnostic;
    }
    return r;
}

}  // namespace tcalc

#endif
