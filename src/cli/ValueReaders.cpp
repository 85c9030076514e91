#include "cli/ValueReaders.h"

#include <cmath>

#include "platform/NumText.h"

namespace cli {

namespace {

constexpr int kChannelCount = 12;

bool isChannel(qint64 number) {
    return number >= 0 && number < kChannelCount;
}

}  // namespace

QList<int> parseChannelList(const QStringList& parts) {
    QList<int> channels;
    for (const QString& part : parts) {
        const std::optional<qint64> number = numtext::parseInteger(part, 10);
        if (number && isChannel(*number)) channels.append(static_cast<int>(*number));
    }
    return channels;
}

QList<int> readChannelList(const QString& value) {
    return parseChannelList(value.split(QLatin1Char(','), Qt::SkipEmptyParts));
}

std::optional<int> readSingleChannel(const QString& value) {
    const std::optional<qint64> number = numtext::parseInteger(value, 10);
    if (!number || !isChannel(*number)) return std::nullopt;
    return static_cast<int>(*number);
}

std::optional<double> readDecimal(const QString& value) {
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
