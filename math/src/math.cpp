// SPDX-License-Identifier: MIT
// The C++ interface of kestrom/math.hpp.
#include <kestrom/math.hpp>

#include "functions.hpp"

namespace kestrom::math {

using namespace detail;

Number sqrt(const Number& x) { return sqrtOf(x, nullptr); }
Number cbrt(const Number& x) { return cbrtOf(x, nullptr); }
Number exp(const Number& x) { return expOf(x, nullptr); }
Number exp3(const Number& x) { return exp3Of(x, nullptr); }
Number log(const Number& x) { return logOf(x, nullptr); }
Number log3(const Number& x) { return log3Of(x, nullptr); }
Number pow(const Number& x, const Number& y) { return powOf(x, y, nullptr); }
Number sin(const Number& x) { return sinOf(x, nullptr); }
Number cos(const Number& x) { return cosOf(x, nullptr); }
Number tan(const Number& x) { return tanOf(x, nullptr); }
Number asin(const Number& x) { return asinOf(x, nullptr); }
Number acos(const Number& x) { return acosOf(x, nullptr); }
Number atan(const Number& x) { return atanOf(x, nullptr); }
Number atan2(const Number& y, const Number& x) { return atan2Of(y, x, nullptr); }
Number hypot(const Number& x, const Number& y) { return hypotOf(x, y, nullptr); }
Number fma(const Number& x, const Number& y, const Number& z) { return fmaOf(x, y, z, nullptr); }
Number pi(Format format) { return piOf(format, nullptr); }
Number e(Format format) { return eOf(format, nullptr); }

}  // namespace kestrom::math
