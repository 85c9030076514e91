#include "console/TypedNumbers.h"

#include <algorithm>
#include <limits>

#include "platform/NumText.h"

namespace typednumbers {

std::optional<quint16> port(QStringView text) {
    const std::optional<qint64> value = numtext::parseInteger(text);
    if (!value || *value < 0 || *value > 0xFFFF) return std::nullopt;
    return quint16(*value);
}

int reportID(QStringView text) {
    // Out-of-range ids stay out of range (the explorer refuses them) instead
    // of wrapping round to a valid one.
    const qint64 value = numtext::parseInteger(text).value_or(0);
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace typednumbers
