#pragma once
// The button's number rules. Every conversion of a floating-point value to an
// integer rounds to the nearest integer with ties to even (12.5 gives 12,
// 13.5 gives 14), and integer division truncates toward zero. The colour and
// layout formulas depend on both, so they go through these helpers rather
// than std::lround (ties away from zero) or the FPU's current rounding mode.

#include <cstdint>

namespace quill::button {

// Nearest integer, ties to even, as a double; NaN and infinities pass through.
[[nodiscard]] double RoundHalfEven(double x) noexcept;

// RoundHalfEven, then to a 32-bit integer. A result outside the 32-bit range
// (or NaN) throws std::overflow_error: the control's overflow error.
[[nodiscard]] std::int32_t RoundToInt32(double x);

// a / b truncated toward zero. Division by zero throws std::domain_error,
// INT32_MIN / -1 throws std::overflow_error.
[[nodiscard]] std::int32_t DivTruncate(std::int32_t a, std::int32_t b);

}  // namespace quill::button
