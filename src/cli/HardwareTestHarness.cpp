#include "cli/HardwareTestHarness.h"

#include <QDeadlineTimer>
#include <QStringList>
#include <QTimer>
#include <bit>
#include <cmath>

#include "cli/Console.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "link/DeviceVocabulary.h"
#include "link/MeterStore.h"
#include "link/ParamWords.h"
#include "platform/NumText.h"
#include "platform/Tasks.h"

namespace hwtest {

namespace {

constexpr int kConnectDelayMs = 1500;
constexpr int kWaitMs = 30000;
constexpr double kPollSeconds = 0.2;
constexpr double kSliceSeconds = 0.05;

// The link's own status is asked too: a USB link that the named host replaced leaves the
// model connected until the new handshake ends.
bool ready(const DSPModel& model) {
    const DSPConnection& link = model.link();
    const std::optional<QString>& host = testNetworkHost();
    return link.status().isConnected() && model.connected() && !model.loading().has_value() &&
           (!host || link.transport() == QStringLiteral("Network ") + *host);
}

}  // namespace

const std::optional<QString>& testNetworkHost() {
    static const std::optional<QString> host = qEnvironmentVariableIsSet("TSL_NETWORK")
                                                   ? std::optional(qEnvironmentVariable("TSL_NETWORK"))
                                                   : std::nullopt;
    return host;
}

std::unique_ptr<DSPModel> makeTestModel() {
    const std::optional<QString>& host = testNetworkHost();
    // A named host is the only one the test may reach: the remembered one could be another
    // device, and restoring it (or even the same host) would change the link under the test.
    DSPConnection::Environment environment;
    environment.restoreRememberedHost = !host.has_value();
    auto model = std::make_unique<DSPModel>(new DSPConnection(environment), DSPModel::defaultDemoDataPath());
    if (host) {
        QTimer::singleShot(kConnectDelayMs, model.get(),
                           [link = &model->link(), host = *host] { link->connect(host); });
    }
    return model;
}

int32_t runBody(const TestBody& body) {
    std::unique_ptr<DSPModel> model = makeTestModel();
    StatusBox box;
    tasks::startTask([&body, &model, &box]() -> QCoro::Task<> { co_await body(*model, box); });
    while (box.running) tasks::runLoopFor(kSliceSeconds);
    // The model's own tasks (the meter poller) may still wait on a request: once
    // the model is gone they hear "no answer", and one more slice lets them end
    // while the event loop still exists.
    model.reset();
    tasks::runLoopFor(kSliceSeconds);
    return box.status;
}

QCoro::Task<bool> waitForConnection(DSPModel& model) {
    const QDeadlineTimer deadline(kWaitMs);
    while (!ready(model) && !deadline.hasExpired()) co_await tasks::sleep(kPollSeconds);
    cli::printLine(QStringLiteral("transport: ") + model.link().transport());
    // Without a named host the test goes on with whatever link came; with one, only the
    // named device, fully read, may be tested or changed.
    co_return testNetworkHost() ? ready(model) : model.connected();
}

QCoro::Task<bool> connectedOrFinish(DSPModel& model, StatusBox& box) {
    const bool connected = co_await waitForConnection(model);
    if (connected) co_return true;
    cli::printLine(QStringLiteral("DSP not connected"));
    box.finish(1);
    co_return false;
}

bool stillConnected(const DSPModel& model) {
    return model.connected() && model.link().status().isConnected();
}

void printNeverRead(const QList<quint32>& parameters, const QString& what) {
    QStringList numbers;
    for (quint32 p : parameters) numbers.append(QString::number(p));
    cli::printLine(what + QStringLiteral(", never read: [%1]").arg(numbers.join(QLatin1String(", "))));
}

QCoro::Task<bool> readsBack(DSPModel& model, quint32 parameter, QList<quint32> saved) {
    const std::optional<QList<quint32>> answer = co_await model.link().readParam(parameter);
    co_return answer && answer->size() >= saved.size() && answer->first(saved.size()) == saved;
}

QString unknownWord(quint32 word) {
    return QLatin1Char('?') + QString::number(word);
}

QString reportedWordText(const DSPModel& model, quint32 parameter, int index,
                         const std::function<QString(quint32)>& text) {
    const QList<quint32> words = model.params().value(parameter);
    if (!model.reported(parameter) || index >= words.size()) return QStringLiteral("?");
    if (!paramwords::showable(parameter, words, index)) return unknownWord(words[index]);
    return text(words[index]);
}

QString levelWordText(quint32 word) {
    return numtext::shortest(std::bit_cast<float>(word));
}

QString sourceWordText(quint32 word) {
    const std::optional<InputSource> source = InputSource::fromRaw(word);
    return source ? source->label() : unknownWord(word);
}

QString inputSourceText(const DSPModel& model, int input) {
    const auto in = quint32(input);
    const std::optional<QList<quint32>> route = model.heldWords(346 + in, 1);
    const std::optional<QList<quint32>> source = model.heldWords(350 + in, 1);
    if (!route || !source) return QStringLiteral("?");
    // The routing word picks the test signal over whatever the source word says.
    if ((*route)[0] == 1) return InputSource(InputSource::testSignal).label();
    return sourceWordText((*source)[0]);
}

QString levelText(const DSPModel& model, int ch) {
    const MeterStore& meters = model.meterStore();
    const float level = meters.levels().value(ch);
    if (!meters.heard(ch) || !std::isfinite(level)) return QStringLiteral("?");
    return numtext::format("%.1f", static_cast<double>(level));
}

QString coefficientCount(const std::optional<DSPModel::FIRReadBack>& fir, const QString& unit) {
    const QString counted = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
    if (!fir) return QLatin1Char('0') + counted;
    if (fir->whole()) return QString::number(fir->coefficients.size()) + counted;
    return QStringLiteral("%1 of %2%3, read in part").arg(fir->received).arg(fir->taps()).arg(counted);
}

void printFIROutcome(const DSPModel& model, int ch, const QString& role,
                     const DSPModel::FIROutcome& outcome) {
    if (outcome.done() || outcome.answer == DSPModel::FIROutcome::Answer::notSent) return;
    cli::printLine(model.channelName(ch) + QStringLiteral(": ") + role + QStringLiteral(": ") +
                   outcome.text());
}

}  // namespace hwtest
