#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The JSON spellings shared by the demo data and project files: parameter numbers as
// decimal keys and word lists as arrays of unsigned 32-bit integers.
namespace paramjson {

// An optional "+" or "-", then digits only, at most 4294967295; "-" only before zeros.
std::optional<quint32> parseParameterKey(const QString& key);

// An array whose every element is an integer from 0 to 4294967295; none otherwise.
std::optional<QList<quint32>> wordsFromJson(const QJsonValue& value);

QJsonValue wordsToJson(const QList<quint32>& words);

}  // namespace paramjson
