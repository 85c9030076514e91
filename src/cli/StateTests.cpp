// Snapshot, FIR clear and meter tests.
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <bit>

#include "cli/Console.h"
#include "cli/HardwareTests.h"
#include "cli/TextForms.h"
#include "link/DSPModel.h"
#include "link/DeviceVocabulary.h"
#include "link/MeterStore.h"
#include "link/ParamMap.h"
#include "platform/NumText.h"
#include "platform/Tasks.h"

namespace hwtest {

namespace {

constexpr int kChannels = ParamMap::channelCount;

QJsonArray wordArray(const QList<quint32>& words) {
    QJsonArray array;
    for (quint32 word : words) array.append(static_cast<qint64>(word));
    return array;
}

QJsonArray bitPatterns(const QList<float>& values) {
    QJsonArray array;
    for (float value : values) array.append(static_cast<qint64>(std::bit_cast<quint32>(value)));
    return array;
}

// QJsonObject keeps its keys sorted as texts, so "10" comes before "2".
QJsonObject paramsObject(const DSPModel::Table& table) {
    QJsonObject params;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (it.key() != DSPModel::meterParameter)
            params.insert(QString::number(it.key()), wordArray(it.value()));
    }
    return params;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

QString floatText(quint32 word) {
    return numtext::shortest(std::bit_cast<float>(word));
}

QString inputLine(const DSPModel& model, int input) {
    const DSPModel::Words gain = model.words(1 + static_cast<quint32>(input), 2);
    return model.channelName(input) + QStringLiteral(": source ") + model.inputSource(input).label() +
           QStringLiteral(", gain ") + floatText(gain[0]) + QStringLiteral(" dB, muted ") +
           ((gain[1] & 1u) ? QStringLiteral("true") : QStringLiteral("false"));
}

QString generatorLine(const DSPModel& model) {
    const quint32 selected = model.words(342, 1)[0];
    const Generator shown = Generator::fromRaw(selected).value_or(Generator::sine);
    return QStringLiteral("generator selected: ") + shown.name() + QStringLiteral("; sine ") +
           QString::number(model.words(343, 1)[0]) + QStringLiteral(" Hz ") +
           numtext::shortest(model.generatorLevel(Generator::sine)) + QStringLiteral(" dBu power ") +
           (model.generatorIsOn(Generator::sine) ? QStringLiteral("on") : QStringLiteral("off"));
}

QString meterHeading(const DSPModel& model) {
    QString line;
    for (int ch = 0; ch < kChannels; ++ch) line += cli::fixedWidth(model.channelName(ch), 7);
    return line;
}

QString meterLine(const QList<float>& levels) {
    QString line;
    for (float level : levels) line += numtext::format("%-7.1f", static_cast<double>(level));
    return line;
}

}  // namespace

QCoro::Task<> snapshotTest(DSPModel& model, StatusBox& box, QString path) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    QJsonObject firs;
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::optional<DSPModel::FIRReadBack> fir = co_await model.readFIR(ch);
        if (fir) {
            firs.insert(QString::number(ch),
                        QJsonObject{{QStringLiteral("coefficients"), bitPatterns(fir->coefficients)},
                                    {QStringLiteral("header"), wordArray(fir->header)}});
        }
    }
    const QJsonObject params = paramsObject(model.params());
    const QJsonObject snapshot{{QStringLiteral("fir"), firs}, {QStringLiteral("params"), params}};
    if (!writeFile(path, QJsonDocument(snapshot).toJson(QJsonDocument::Compact))) {
        cli::printLine(QStringLiteral("can't write ") + path);
        box.finish(1);
        co_return;
    }
    cli::printLine(QStringLiteral("saved %1 parameters and %2 FIRs to %3")
                       .arg(params.size())
                       .arg(firs.size())
                       .arg(path));
    box.finish(firs.size() < kChannels ? 1 : 0);
}

QCoro::Task<> firClearTest(DSPModel& model, StatusBox& box, QList<int> channels) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    int failures = 0;
    for (int ch : channels) {
        const std::optional<QString> error = co_await model.clearFIR(ch);
        const std::optional<DSPModel::FIRReadBack> fir = co_await model.readFIR(ch);
        const bool passed = !error && fir && fir->coefficients == QList<float>{1.0f} &&
                            fir->header.size() > 1 && fir->header[1] == 1;
        cli::printLine(model.channelName(ch) + QStringLiteral(": ") +
                       error.value_or(QStringLiteral("cleared")) + QStringLiteral(" \u2192 ") +
                       (passed ? QStringLiteral("OK") : QStringLiteral("FAILED")));
        if (!passed) ++failures;
    }
    const int32_t status = failures > 0 ? 1 : 0;
    co_await tasks::sleep(0.8);
    box.finish(status);
}

QCoro::Task<> metersTest(DSPModel& model, StatusBox& box, double seconds) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    for (int input = 0; input < ParamMap::inputChannelCount; ++input) cli::printLine(inputLine(model, input));
    cli::printLine(generatorLine(model));
    cli::printLine(meterHeading(model));
    // Clamped so that the conversion is defined; no run lasts 30 years anyway.
    const QDeadlineTimer deadline(qint64(std::clamp(seconds, 0.0, 1e9) * 1000.0));
    while (!deadline.hasExpired()) {
        co_await tasks::sleep(0.5);
        cli::printLine(meterLine(model.meterStore().levels()));
    }
    box.finish(0);
}

}  // namespace hwtest
