#include "SimDevice.h"

#include <QJsonArray>

#include "link/ParamMap.h"

namespace {

QJsonArray wordsToJson(const DSPFrame::Words& words) {
    QJsonArray array;
    for (quint32 word : words) array.append(qint64(word));
    return array;
}

std::optional<DSPFrame::Words> wordsFromJson(const QJsonValue& value) {
    if (!value.isArray()) return std::nullopt;
    DSPFrame::Words words;
    for (const QJsonValue& item : value.toArray()) {
        const qint64 word = item.toInteger(-1);
        if (word < 0 || word > 0xFFFFFFFFll) return std::nullopt;
        words.append(quint32(word));
    }
    return words;
}

}  // namespace

SimDevice::SimDevice() : meters(24, 0) {
    for (quint32 number : ParamMap::allParameters())
        params.insert(number, Words(ParamMap::wordCount(number), 0));
}

SimDevice::Words SimDevice::identityWords() const {
    QByteArray bytes(16, 0);
    bytes[8] = char(firmware[0]);
    bytes[9] = char(firmware[1]);
    bytes[10] = char(firmware[2]);
    bytes[12] = char(year & 0xFF);
    bytes[13] = char((year >> 8) & 0xFF);
    bytes[14] = char(month);
    bytes[15] = char(day);
    Words words;
    for (int i = 0; i < bytes.size(); i += 4) words.append(DSPFrame::loadUInt32(bytes, i));
    words.resize(qMax(0, identityWordCount), 0);
    return words;
}

QJsonObject SimDevice::toJson() const {
    QJsonObject paramsJson;
    for (auto it = params.begin(); it != params.end(); ++it)
        paramsJson.insert(QString::number(it.key()), wordsToJson(*it));
    QJsonObject firJson;
    for (auto it = fir.blocks.begin(); it != fir.blocks.end(); ++it) {
        firJson.insert(QString::number(it.key()),
                       QJsonObject{{"header", wordsToJson(it->header)},
                                   {"coefficients", wordsToJson(it->coefficients)}});
    }
    QByteArray addressBytes(reinterpret_cast<const char*>(address.data()), int(address.size()));
    return QJsonObject{
        {"address", QString::fromLatin1(addressBytes.toHex().toUpper())},
        {"firmware", QStringLiteral("%1.%2.%3").arg(firmware[0]).arg(firmware[1]).arg(firmware[2])},
        {"firmwareDate", QString::asprintf("%04d-%02d-%02d", year, month, day)},
        {"name", name},
        {"group", group},
        {"meters", wordsToJson(meters)},
        {"params", paramsJson},
        {"fir", firJson},
    };
}

bool SimDevice::loadJson(const QJsonObject& json) {
    QMap<quint32, Words> loaded;
    const QJsonObject paramsJson = json.value("params").toObject();
    for (auto it = paramsJson.begin(); it != paramsJson.end(); ++it) {
        bool ok = false;
        const quint32 number = it.key().toUInt(&ok);
        const auto words = wordsFromJson(it.value());
        if (!ok || !words) return false;
        loaded.insert(number, *words);
    }
    params = loaded;
    if (json.contains("name")) name = json.value("name").toString();
    if (json.contains("group")) group = json.value("group").toString();
    return true;
}
