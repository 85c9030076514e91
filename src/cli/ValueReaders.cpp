#include "cli/ValueReaders.h"

#include <QRegularExpression>
#include <cmath>

#include "platform/NumText.h"

namespace cli {

namespace {

constexpr int kChannelCount = 12;

}  // namespace

bool isChannelIndex(qint64 number) {
    return number >= 0 && number < kChannelCount;
}

QList<qint64> parseChannelList(const QStringList& parts) {
    QList<qint64> numbers;
    for (const QString& part : parts) {
        if (const std::optional<qint64> number = numtext::parseInteger(part, 10)) numbers.append(*number);
    }
    return numbers;
}

QList<qint64> readChannelList(const QString& value) {
    return parseChannelList(value.split(QLatin1Char(','), Qt::SkipEmptyParts));
}

std::optional<qint64> readSingleChannel(const QString& value) {
    return numtext::parseInteger(value, 10);
}

std::optional<double> readDecimal(const QString& value) {
    // The C library also reads hexadecimal ("0x10" as 16) and "inf"; a decimal number is
    // digits with a full stop and an exponent, nothing else.
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][+-]?[0-9]+)?$"));
    if (!decimal.match(value).hasMatch()) return std::nullopt;
    const std::optional<double> number = numtext::parseDouble(value);
    if (!number || !std::isfinite(*number)) return std::nullopt;
    return number;
}

std::optional<std::pair<qint64, qint64>> readDevicePair(const QString& value) {
    QList<qint64> numbers;
    for (const QString& part : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (const std::optional<qint64> number = numtext::parseInteger(part, 16)) numbers.append(*number);
    }
    if (numbers.size() != 2) return std::nullopt;
    return std::pair{numbers[0], numbers[1]};
}

}  // namespace cli
