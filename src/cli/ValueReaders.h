#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace cli {

// Readers for the values that follow command-line options. Each one is
// forgiving in its own documented way; none of them prints anything.

// Base-10 integers (optional sign, digits only, 64-bit range) in order with
// duplicates kept; every other part is dropped. Whether a number names a
// channel is the caller's question (isChannelIndex).
QList<qint64> parseChannelList(const QStringList& parts);

// A value such as "4,5,,x,6": split at every comma, empty parts dropped.
QList<qint64> readChannelList(const QString& value);

// The whole value as one base-10 integer; an empty text, a lone sign, any
// other character or an overflow is no number.
std::optional<qint64> readSingleChannel(const QString& value);

// The model's channel indexes: 0-3 the inputs, 4-11 the outputs.
bool isChannelIndex(qint64 number);

// A finite decimal number with a full stop, whatever the user's locale; leading
// white space, trailing characters, hexadecimal or an empty text are no number.
std::optional<double> readDecimal(const QString& value);

// "VVVV:PPPP": base-16 numbers between colons (empty parts dropped, parts that
// fail dropped); a pair only when exactly two numbers remain.
std::optional<std::pair<qint64, qint64>> readDevicePair(const QString& value);

}  // namespace cli
