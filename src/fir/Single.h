#pragma once

#include <cmath>
#include <limits>

// Double to single precision, with values beyond the single range becoming
// infinities as IEEE arithmetic gives them, instead of a conversion that the
// language leaves undefined.
inline float toSingle(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (value > largest) return std::numeric_limits<float>::infinity();
    if (value < -largest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
