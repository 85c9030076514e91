#include "link/DeviceText.h"

QString printableASCII(const QString& text) {
    QString result;
    result.reserve(text.size());
    // A scalar outside the BMP is two surrogates, both outside the range, so
    // filtering UTF-16 units drops it whole.
    for (QChar unit : text)
        if (unit.unicode() >= 0x20 && unit.unicode() <= 0x7E) result.append(unit);
    return result;
}
