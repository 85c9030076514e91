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

QJsonObject presetsToJson(const SimPresetBank& presets) {
    QJsonObject names;
    for (auto it = presets.names.begin(); it != presets.names.end(); ++it)
        names.insert(QString::number(it.key()), *it);
    return {{"occupied", qint64(presets.occupied)}, {"current", qint64(presets.current)}, {"names", names}};
}

// The slots of a dump over `presets`; nothing when unreadable.
std::optional<SimPresetBank> presetsFromJson(const QJsonObject& json, SimPresetBank presets) {
    QMap<int, QString> names;
    const QJsonObject namesJson = json.value("names").toObject();
    for (auto it = namesJson.begin(); it != namesJson.end(); ++it) {
        bool ok = false;
        const int slot = it.key().toInt(&ok);
        if (!ok || !it.value().isString()) return std::nullopt;
        names.insert(slot, it.value().toString());
    }
    const auto flags = wordsFromJson(QJsonArray{json.value("occupied"), json.value("current")});
    if (!flags) return std::nullopt;
    presets.occupied = (*flags)[0];
    presets.current = (*flags)[1];
    presets.names = names;
    return presets;
}

std::optional<QMap<quint32, SimFIRBlock>> firBlocksFromJson(const QJsonObject& json) {
    QMap<quint32, SimFIRBlock> blocks;
    for (auto it = json.begin(); it != json.end(); ++it) {
        bool ok = false;
        const quint32 target = it.key().toUInt(&ok);
        const auto header = wordsFromJson(it.value().toObject().value("header"));
        const auto coefficients = wordsFromJson(it.value().toObject().value("coefficients"));
        if (!ok || !header || !coefficients) return std::nullopt;
        blocks.insert(target, SimFIRBlock{*header, *coefficients});
    }
    return blocks;
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
        {"presets", presetsToJson(presets)},
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
    const auto loadedPresets = presetsFromJson(json.value("presets").toObject(), presets);
    const auto loadedFIR = firBlocksFromJson(json.value("fir").toObject());
    if (!loadedFIR || (json.contains("presets") && !loadedPresets)) return false;
    params = loaded;
    fir.blocks = *loadedFIR;
    if (json.contains("presets")) presets = *loadedPresets;
    if (json.contains("name")) name = json.value("name").toString();
    if (json.contains("group")) group = json.value("group").toString();
    return true;
}
