// The demo device: a parameter table from the bundled data file and meters animated
// from the channel gains and mutes, so the application works without hardware.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <cmath>
#include <numbers>

#include "link/DSPModel.h"
#include "link/Levels.h"
#include "link/MeterStore.h"
#include "link/ParamTableJson.h"
#include "platform/Tasks.h"

namespace {

constexpr float fallPerTick = 3.0f;

// A missing, unreadable or malformed file gives none; a bad key only skips its member.
std::optional<DSPModel::Table> readDemoTable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    DSPModel::Table table;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto words = paramjson::wordsFromJson(it.value());
        if (!words) return std::nullopt;
        if (const auto number = paramjson::parseParameterKey(it.key())) table.insert(*number, *words);
    }
    return table;
}

double uniform(double low, double high) {
    return low + QRandomGenerator::global()->generateDouble() * (high - low);
}

}  // namespace

void DSPModel::enterDemo() {
    if (connected_) return;
    switchDevice(demoDevice);
    if (auto table = readDemoTable(demoDataPath_)) replaceParams(std::move(*table));
    setDemo(true);
    cancelMeterTask();
    meterTaskKind_ = MeterTaskKind::demo;
    demoTime_ = 0;
    meterTimer_.start(0);
}

void DSPModel::exitDemo() {
    cancelMeterTask();
    setDemo(false);
    switchDevice(QString());
    replaceParams({});
    meterStore_->setAllSilent();
}

void DSPModel::animateDemoMeters(double t) {
    const double beat = 9 * std::pow(std::max(std::sin(4 * std::numbers::pi * t), 0.0), 6);
    const double swell = 4 * std::sin(0.7 * t) - 20;
    const float program = float(std::min(beat + (swell + uniform(-2, 2)), -1.0));
    QList<float> levels = meterStore_->levels();
    for (int ch = 0; ch < MeterStore::channelCount; ++ch) {
        const Words gain = words(quint32(ch) + 1, 2);
        float raw;
        if (ch < 2) {
            raw = program;
        } else if (ch < 4) {
            raw = -80.0f;
        } else {
            raw = ((levels::fromBits(gain[0]) + program) + -4.0f) + float(uniform(-1.5, 1.5));
        }
        float target = MeterStore::silent;
        // A gain word that holds no number must not put a NaN on the meters.
        if ((gain[1] & 1) == 0 && std::isfinite(raw))
            target = std::max(std::min(raw, 0.0f), MeterStore::silent);
        // A meter rises to its target at once and falls by at most 3 dB a tick.
        levels[ch] = std::max(target, levels[ch] - fallPerTick);
    }
    meterStore_->setLevels(levels);
}
