#include "controls/button/NumberRules.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace quill::button {

double RoundHalfEven(double x) noexcept {
    if (!std::isfinite(x)) return x;
    double below = std::floor(x);
    double fraction = x - below;
    if (fraction > 0.5) return below + 1;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::int32_t RoundToInt32(double x) {
    double r = RoundHalfEven(x);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max())) {
        throw std::overflow_error("overflow: the value does not fit a 32-bit integer");
    }
    return static_cast<std::int32_t>(r);
}

std::int32_t DivTruncate(std::int32_t a, std::int32_t b) {
    if (b == 0) throw std::domain_error("division by zero");
    if (a == std::numeric_limits<std::int32_t>::min() && b == -1) {
        throw std::overflow_error("overflow: the quotient does not fit a 32-bit integer");
    }
    return a / b;  // C++ truncates toward zero
}

}  // namespace quill::button
