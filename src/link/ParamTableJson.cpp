#include "link/ParamTableJson.h"

#include <QJsonArray>

#include <cmath>

namespace paramjson {

std::optional<quint32> parseParameterKey(const QString& key) {
    QStringView digits(key);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'+' || digits.front() == u'-')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    if (digits.isEmpty()) return std::nullopt;
    quint64 value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + quint64(c.unicode() - u'0');
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    if (negative && value != 0) return std::nullopt;
    return quint32(value);
}

std::optional<QList<quint32>> wordsFromJson(const QJsonValue& value) {
    if (!value.isArray()) return std::nullopt;
    const QJsonArray array = value.toArray();
    QList<quint32> words;
    words.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isDouble()) return std::nullopt;
        const double number = element.toDouble();
        if (!(number >= 0 && number <= 4294967295.0) || std::floor(number) != number) return std::nullopt;
        words.append(quint32(number));
    }
    return words;
}

QJsonValue wordsToJson(const QList<quint32>& words) {
    QJsonArray array;
    // As qint64: written as a double, 1000000000 would come out as 1e+09.
    for (quint32 word : words) array.append(qint64(word));
    return array;
}

}  // namespace paramjson
