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

QList<quint32> unreadParameters(const DSPModel& model) {
    QList<quint32> numbers;
    for (quint32 number : ParamMap::allParameters()) {
        if (number != DSPModel::meterParameter && !model.reported(number)) numbers.append(number);
    }
    return numbers;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

const QString unread = QStringLiteral("?");

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// A setting the device never reported prints "?": the model's zeros are nobody's value. A word
// no control could show prints "?" and the word.
QString inputLine(const DSPModel& model, int input) {
    const quint32 gain = 1 + static_cast<quint32>(input);  // [level, flags]
    return model.channelName(input) + QStringLiteral(": source ") + inputSourceText(model, input) +
           QStringLiteral(", gain ") + reportedWordText(model, gain, 0, levelWordText) +
           QStringLiteral(" dB, muted ") +
           reportedWordText(model, gain, 1, [](quint32 flags) { return boolText(flags & 1u); });
}

QString generatorLine(const DSPModel& model) {
    QString selected = unread;
    if (const std::optional<DSPModel::Words> word = model.heldWords(342, 1)) {
        const std::optional<Generator> generator = Generator::fromRaw((*word)[0]);
        selected = generator ? generator->name() : unknownWord((*word)[0]);
    }
    const quint32 sine = Generator(Generator::sine).parameter();  // [frequency, level, flags]
    const QString power = !model.reported(sine)                  ? unread
                          : model.generatorIsOn(Generator::sine) ? QStringLiteral("on")
                                                                 : QStringLiteral("off");
    return QStringLiteral("generator selected: ") + selected + QStringLiteral("; sine ") +
           reportedWordText(model, sine, 0, [](quint32 hz) { return QString::number(hz); }) +
           QStringLiteral(" Hz ") + reportedWordText(model, sine, 1, levelWordText) +
           QStringLiteral(" dBu power ") + power;
}

// Seven characters a column, the last of them always a space: names of seven characters or
// more would otherwise run into each other ("Delay 1MonitorRear").
constexpr qsizetype kColumnText = 6;

QString meterColumn(const QString& text) {
    return text.leftJustified(kColumnText) + QLatin1Char(' ');
}

QString meterHeading(const DSPModel& model) {
    QString line;
    for (int ch = 0; ch < kChannels; ++ch)
        line += meterColumn(cli::fixedWidth(model.channelName(ch), kColumnText));
    return line;
}

QString meterLine(const DSPModel& model) {
    QString line;
    for (int ch = 0; ch < kChannels; ++ch) line += meterColumn(levelText(model, ch));
    return line;
}

}  // namespace

QCoro::Task<> snapshotTest(DSPModel& model, StatusBox& box, QString path) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    QJsonObject firs;
    QStringList inPart;
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::optional<DSPModel::FIRReadBack> fir = co_await model.readFIR(ch);
        if (fir && !fir->whole()) {
            inPart.append(
                QStringLiteral("channel %1 (%2 of %3 taps)").arg(ch).arg(fir->received).arg(fir->taps()));
        } else if (fir) {
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
    cli::printLine(QStringLiteral("saved %1 and %2 to %3")
                       .arg(numtext::counted(params.size(), u"parameter", u"parameters"))
                       .arg(numtext::counted(firs.size(), u"FIR", u"FIRs"))
                       .arg(path));
    // A parameter the device never reported, or a filter read back in part, is missing from
    // the file, so the file is no whole record of the device.
    const QList<quint32> neverRead = unreadParameters(model);
    if (!neverRead.isEmpty()) printNeverRead(neverRead, QStringLiteral("not saved"));
    if (!inPart.isEmpty())
        cli::printLine(QStringLiteral("not saved, read in part: ") + inPart.join(QLatin1String(", ")));
    box.finish(firs.size() < kChannels || !neverRead.isEmpty() ? 1 : 0);
}

QCoro::Task<> firClearTest(DSPModel& model, StatusBox& box, QList<int> channels) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    int failures = 0;
    for (int ch : channels) {
        const DSPModel::FIROutcome outcome = co_await model.putPassThrough(ch);
        const std::optional<DSPModel::FIRReadBack> fir = co_await model.readFIR(ch);
        const bool passed = outcome.done() && fir && fir->coefficients == QList<float>{1.0f} &&
                            fir->header.size() > 1 && fir->header[1] == 1;
        cli::printLine(model.channelName(ch) + QStringLiteral(": ") +
                       outcome.error.value_or(QStringLiteral("cleared")) + QStringLiteral(" \u2192 ") +
                       (passed ? QStringLiteral("OK") : QStringLiteral("FAILED")));
        printFIROutcome(model, ch, QStringLiteral("clear"), outcome);
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
        // Without the link the model keeps its last levels, and they are no longer live.
        if (!stillConnected(model)) {
            cli::printLine(QStringLiteral("connection to the DSP lost"));
            box.finish(1);
            co_return;
        }
        cli::printLine(meterLine(model));
    }
    box.finish(0);
}

}  // namespace hwtest
