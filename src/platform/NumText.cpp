#include "platform/NumText.h"

#include <QByteArray>
#include <QStringList>

#include <locale.h>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace numtext {

namespace {

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

bool isSpaceOrControl(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'z') return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z') return u - 'A' + 10;
    return 99;
}

// Lays out shortest-round-trip digits ("15", decimal exponent -5 meaning
// 1.5e-05) in the fixed form with at least one fraction digit.
QString fixedForm(const QString& digits, int exponent) {
    const int pointAt = exponent + 1;  // digits before the point
    if (pointAt <= 0) return QStringLiteral("0.") + QString(-pointAt, u'0') + digits;
    if (pointAt >= digits.size())
        return digits + QString(pointAt - digits.size(), u'0') + QStringLiteral(".0");
    return digits.left(pointAt) + u'.' + digits.mid(pointAt);
}

QString exponentForm(const QString& digits, int exponent) {
    QString text = digits.left(1);
    if (digits.size() > 1) text += u'.' + digits.mid(1);
    return text + format("e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
}

}  // namespace

std::optional<double> parseDouble(QStringView text) {
    if (text.isEmpty() || isSpaceOrControl(text.front())) return std::nullopt;
    const QByteArray bytes = text.toUtf8();
    // An embedded zero character would end the conversion early; the length
    // check below catches it like any other trailing character.
    char* end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale());
    if (end != bytes.constData() + bytes.size()) return std::nullopt;
    return value;
}

std::optional<qint64> parseInteger(QStringView text, int base) {
    if (base != 10 && base != 16) return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (i == text.size()) return std::nullopt;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i]);
        if (digit >= base) return std::nullopt;
        if (magnitude > (limit - quint64(digit)) / quint64(base)) return std::nullopt;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    // Two's complement keeps the most negative value exact.
    return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

QString format(const char* pattern, ...) {
    // The C library's own printf under the C locale: QString::vasprintf rounds exact halves
    // away from zero ("%.0f" of 562.5 gives 563), where printf rounds them to even (562).
    const locale_t previous = uselocale(cLocale());
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    char small[256];
    const int length = std::vsnprintf(small, sizeof small, pattern, args);
    QByteArray bytes;
    if (length >= int(sizeof small)) {
        bytes.resize(length);
        std::vsnprintf(bytes.data(), size_t(length) + 1, pattern, again);
    } else if (length > 0) {
        bytes = QByteArray(small, length);
    }
    va_end(again);
    va_end(args);
    uselocale(previous);
    return QString::fromUtf8(bytes);
}

QString counted(qint64 count, QStringView one, QStringView many) {
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many).toString();
}

QString shortest(float value) {
    if (std::isnan(value)) return std::signbit(value) ? QStringLiteral("-nan") : QStringLiteral("nan");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    const QString sign = std::signbit(value) ? QStringLiteral("-") : QString();
    if (value == 0.0f) return sign + QStringLiteral("0.0");

    // Scientific to_chars gives the shortest round-trip digits; the layout is ours.
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    const QString scientific = QString::fromLatin1(buffer, result.ptr - buffer);
    const qsizetype e = scientific.indexOf(u'e');
    const QString digits = scientific.left(e).remove(u'.');
    const int exponent = scientific.mid(e + 1).toInt();

    const bool tiny = exponent < -4;
    const bool huge = std::fabs(value) > 16777216.0f;
    return sign + (tiny || huge ? exponentForm(digits, exponent) : fixedForm(digits, exponent));
}

std::optional<QString> dottedQuad(QStringView text) {
    QStringList numbers;
    for (QStringView piece : text.split(u'.')) {
        if (piece.isEmpty() || piece.size() > 3 || (piece.size() > 1 && piece.front() == u'0'))
            return std::nullopt;
        int value = 0;
        for (QChar c : piece) {
            if (c < u'0' || c > u'9') return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255) return std::nullopt;
        numbers.append(QString::number(value));
    }
    if (numbers.size() != 4) return std::nullopt;
    return numbers.join(u'.');
}

}  // namespace numtext
