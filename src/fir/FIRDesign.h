#pragma once

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// Simple filters for the device's FIR blocks: a Kaiser-windowed sinc at the
// fixed 48 kHz rate, the five header words that precede the coefficients in an
// upload, and the magnitude response of any coefficient list.
namespace FIRDesign {

enum class Kind { highPass = 1, bandPass = 2, lowPass = 3, flat = 4 };

inline constexpr std::array<Kind, 4> allKinds{Kind::highPass, Kind::bandPass, Kind::lowPass, Kind::flat};

std::optional<Kind> kindFromRaw(int raw);
QString label(Kind kind);

struct Spec {
    Kind kind = Kind::highPass;
    double lowHz = 20;
    double highHz = 22000;
    int taps = 256;
    double attenuationDB = 80;

    friend bool operator==(const Spec&, const Spec&) = default;
};

// Exactly spec.taps coefficients (none for fewer than one tap). An even length
// is a symmetric filter of taps - 1 values centred on (taps - 2) / 2 followed by
// one zero tap.
QList<float> design(const Spec& spec);

// Five words. Values that do not fit an unsigned 32-bit word are clamped into it rather
// than converted with undefined results.
QList<quint32> headerWords(std::uint32_t target, const Spec& spec);

// Magnitude in dB at one frequency, taps counted from 0 without centring.
double responseDB(const QList<float>& coefficients, double hz);

}  // namespace FIRDesign
