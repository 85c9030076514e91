#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace cli {

// Readers for the values that follow command-line options. Each one is
// forgiving in its own documented way; none of them prints anything.

// Base-10 integers (optional sign, digits only, 64-bit range) that are model
// channel indexes 0-11, in order with duplicates kept; every other part is
// dropped. Out-of-range numbers are dropped too: they would address another
// channel's parameters on the device.
QList<int> parseChannelList(const QStringList& parts);

// A value such as "4,5,,x,6": split at every comma, empty parts dropped.
QList<int> readChannelList(const QString& value);

// One channel index 0-11; anything else (including an empty text, a lone
// sign or a number out of range) is no number.
std::optional<int> readSingleChannel(const QString& value);

// A finite decimal number with a full stop, whatever the user's locale; leading
// white space, trailing characters or an empty text are no number.
std::optional<double> readDecimal(const QString& value);

// "VVVV:PPPP": base-16 numbers between colons (empty parts dropped, parts that
// fail dropped); a pair only when exactly two numbers remain.
std::optional<std::pair<qint64, qint64>> readDevicePair(const QString& value);

}  // namespace cli
