#pragma once

#include <QtGlobal>

#include <algorithm>
#include <bit>
#include <cmath>

// The level arithmetic every setter shares. The device compares stored bits, so the
// rounding is done in single precision exactly as the device firmware does it:
// k = round(x / 0.1f) halves away from zero, stored value k * 0.1f.
namespace levels {

inline quint32 bits(float value) {
    return std::bit_cast<quint32>(value);
}
inline float fromBits(quint32 word) {
    return std::bit_cast<float>(word);
}

// A zero result is stored as +0.0: -0.04 must neither show "-0.0 dB" nor reach the
// device as the bits 0x80000000.
inline float roundToTenth(float value) {
    const float rounded = std::round(value / 0.1f) * 0.1f;
    return rounded == 0.0f ? 0.0f : rounded;
}

// At or below the floor the floor itself is stored, so a fader pulled to the bottom
// always reads exactly -60 (or -90) and never -59.9999.
inline float floorTop(float value, float floor, float top) {
    if (value <= floor) return floor;
    return roundToTenth(std::fmin(value, top));
}

// Integers are clamped in 64 bits so that any word read back as unsigned and any
// negative input from a control both land inside the range.
inline quint32 clampWord(qint64 value, qint64 low, qint64 high) {
    return quint32(std::clamp(value, low, high));
}

// Values without a step (ratios, some Q limits): raised to the low bound when at or
// below it, lowered to the high bound when above it.
inline float clampFloat(float value, float low, float high) {
    if (value <= low) return low;
    return std::fmin(value, high);
}

}  // namespace levels
