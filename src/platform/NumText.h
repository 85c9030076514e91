#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers in the system's texts and files are always written and read the C
// way, whatever locale the user runs with: Qt copies the user's locale into
// the C library, where a German locale would turn "1.5" into "1,5".
namespace numtext {

// The whole text as a double, with the syntax of strtod in the C locale:
// optional sign, digits with an optional point and exponent, hexadecimal
// floating forms, and "inf"/"infinity"/"nan" in any letter case (returned as
// such, so callers that need a finite value must refuse them). Leading white
// space, trailing characters and the empty text give no number.
std::optional<double> parseDouble(QStringView text);

// The whole text as a 64-bit signed integer in base 10 or 16: an optional
// sign, then at least one digit of the base and nothing else (no white space,
// no "0x" prefix). Values outside the 64-bit range give no number.
std::optional<qint64> parseInteger(QStringView text, int base = 10);

// printf-style formatting in the C locale ("%.1f", "%+6.1f", "%-7.1f", "%.9g", ...).
QString format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// The shortest decimal text that reads back as the same single-precision
// value, always with a fraction part ("1.0", "-0.0", "0.0001"), in exponent
// form below 1e-4 or above 2^24 in magnitude ("1e-05", "1.5e+07"); "inf",
// "-inf" and "nan" for the special values.
QString shortest(float value);

// A count with its noun, singular for exactly one: "1 word", "0 words", "3 taps".
QString counted(qint64 count, QStringView one, QStringView many);

// An IPv4 address written as four decimal numbers 0 to 255 joined by single dots, each
// of one to three digits without sign or leading zero (a leading zero reads as octal
// elsewhere); returned in its one spelling. None for anything else, spaces included.
std::optional<QString> dottedQuad(QStringView text);

}  // namespace numtext
