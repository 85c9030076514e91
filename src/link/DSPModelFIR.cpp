// FIR block transfers: upload in four acknowledged steps, the guarded upload with
// retries, clearing to a pass-through, and the read-back. The operations take turns,
// so the steps of two of them never interleave on the wire.
#include <algorithm>
#include <cmath>

#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/DeviceText.h"
#include "link/Levels.h"
#include "platform/Tasks.h"

namespace {

constexpr double stepTimeout = 3.0;
constexpr qsizetype chunkWords = 256;
constexpr int attempts = 3;
constexpr int maxReadChunks = 4;

constexpr quint16 acknowledgeCommand = 1;
constexpr quint16 headerCommand = 128;
constexpr quint16 coefficientsCommand = 129;
constexpr quint16 commitCommand = 130;
constexpr quint16 readHeaderCommand = 131;
constexpr quint16 readChunkCommand = 132;
constexpr quint16 endReadCommand = 133;
constexpr quint16 statusCommand = 134;
constexpr quint16 startCommand = 135;

quint32 firNameParam(int ch) {
    return 403 + quint32(ch);
}

bool isStatus(const DSPFrame& frame) {
    return frame.command == statusCommand;
}

}  // namespace

quint32 DSPModel::firTarget(int ch) {
    return (quint32(ch + 1) & 0xFFFFFF) << 8;
}

QString DSPModel::firName(int ch) const {
    return DSPFrame::unpackString(params_.value(firNameParam(ch)));
}

// ---- taking turns ----------------------------------------------------------

// Holds the FIR turn for the lifetime of one operation's coroutine frame.
class DSPModel::FIRTurn {
public:
    explicit FIRTurn(DSPModel* model) : model_(model) {}
    FIRTurn(const FIRTurn&) = delete;
    FIRTurn& operator=(const FIRTurn&) = delete;
    ~FIRTurn() {
        if (model_) model_->leaveFIRTurn();
    }

private:
    QPointer<DSPModel> model_;
};

QCoro::Task<bool> DSPModel::enterFIRTurn() {
    if (!firBusy_) {
        firBusy_ = true;
        co_return true;
    }
    tasks::Continuation<bool> turn;
    firWaiters_.append(turn.completer());
    // The turn is handed over with firBusy_ left set; false means the model is closing.
    co_return co_await turn;
}

void DSPModel::leaveFIRTurn() {
    if (firWaiters_.isEmpty()) {
        firBusy_ = false;
        return;
    }
    firWaiters_.takeFirst()(true);
}

void DSPModel::releaseFIRWaiters() {
    for (const auto& waiter : std::exchange(firWaiters_, {})) waiter(false);
}

// ---- upload ----------------------------------------------------------------

QCoro::Task<std::optional<QString>> DSPModel::requestErrorText(quint16 command, Words w, QString step) {
    const auto answer = co_await ask(command, std::move(w), stepTimeout, [](const DSPFrame& frame) {
        if (frame.command == statusCommand) return true;
        // A plain acknowledgement (first word 0) is not the step's answer.
        return frame.command == acknowledgeCommand && !frame.words.isEmpty() && frame.words[0] != 0;
    });
    if (!answer) co_return QStringLiteral("No answer from the DSP (%1).").arg(step);
    if (answer->command == acknowledgeCommand)
        co_return QStringLiteral(
            "The DSP couldn't read the %1. Close any other program connected to the DSP and try again.")
            .arg(step);
    if (!answer->words.isEmpty() && answer->words[0] != 0)
        co_return QStringLiteral("The DSP rejected the %1 (code %2).").arg(step).arg(answer->words[0]);
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> DSPModel::uploadSteps(Words header, Words coefficients, quint32 target) {
    const auto guard = linkGuard();
    const QString gone = QStringLiteral("No answer from the DSP (start).");
    struct Step {
        quint16 command;
        Words words;
        QString name;
    };
    QList<Step> steps{{startCommand, Words(2, 0), QStringLiteral("start")},
                      {headerCommand, std::move(header), QStringLiteral("header")}};
    for (qsizetype offset = 0, k = 0; offset < coefficients.size(); offset += chunkWords, ++k)
        steps.append({coefficientsCommand,
                      Words(1, target | quint32(k << 16)) + coefficients.mid(offset, chunkWords),
                      QStringLiteral("coefficients")});
    steps.append({commitCommand, Words{target, 0}, QStringLiteral("commit")});
    for (qsizetype done = 0; done < steps.size(); ++done) {
        // Awaits stand alone, outside conditions: GCC 12 mishandles temporaries of a
        // co_await inside an if-condition.
        const std::optional<QString> error =
            co_await requestErrorText(steps[done].command, steps[done].words, steps[done].name);
        const qsizetype answered = done + (error ? 0 : 1);
        if (!guard && answered < steps.size()) {
            // The block holds whatever the steps answered left it: the user is told how far it came.
            if (DSPModel* self = guard.get())
                Q_EMIT self->firUploadCut(int(target >> 8) - 1, int(answered), int(steps.size()));
            co_return error.value_or(gone);
        }
        if (error) co_return error;
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> DSPModel::uploadFIR(Words header, Words coefficients, quint32 target) {
    const auto guard = linkGuard();
    const bool entered = co_await enterFIRTurn();
    if (!entered || !guard) co_return QStringLiteral("No answer from the DSP (start).");
    FIRTurn turn(this);
    co_return co_await uploadSteps(std::move(header), std::move(coefficients), target);
}

QCoro::Task<std::optional<QString>> DSPModel::uploadWithRetries(int ch, Words header, Words coefficients,
                                                                Words name) {
    const auto guard = linkGuard();
    const bool entered = co_await enterFIRTurn();
    if (!entered || !guard) co_return notConnectedText;
    FIRTurn turn(this);
    std::optional<QString> error;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        error = co_await uploadSteps(header, coefficients, firTarget(ch));
        if (!guard) co_return error;
        if (!error) break;
    }
    // The name changes only after a complete, acknowledged upload.
    if (!error) write(firNameParam(ch), name, std::nullopt, false);
    co_return error;
}

QCoro::Task<std::optional<QString>> DSPModel::sendFIR(int ch, Words coefficients, std::optional<Words> header,
                                                      QString name, int tapLimit) {
    if (!connected_ || demo_) co_return notConnectedText;
    if (coefficients.isEmpty() || coefficients.size() > tapLimit)
        co_return QStringLiteral("A FIR filter must have 1 to %1 taps.").arg(tapLimit);
    // A NaN or infinite tap would make the block's output noise or silence; whatever
    // made such a filter, it never reaches the device.
    const auto nonFinite = std::find_if(coefficients.cbegin(), coefficients.cend(),
                                        [](quint32 word) { return !std::isfinite(levels::fromBits(word)); });
    if (nonFinite != coefficients.cend())
        co_return QStringLiteral(
            "The FIR filter holds values that are not numbers (tap %1); nothing was sent.")
            .arg(nonFinite - coefficients.cbegin() + 1);
    const quint32 target = firTarget(ch);
    Words h = header.value_or(Words{target, quint32(coefficients.size()), 0, 0, 0});
    // Word 0 of the header names the block. A filter made for one block and sent to
    // several must name each in turn, as its chunks and commit do.
    if (!h.isEmpty()) h[0] = target;
    const Words nameWords = DSPFrame::packString(TextField::firName.fit(name), TextField::firName.words);
    co_return co_await uploadWithRetries(ch, h, std::move(coefficients), nameWords);
}

QCoro::Task<std::optional<QString>> DSPModel::clearFIR(int ch) {
    if (!connected_ || demo_) co_return notConnectedText;
    const Words passThrough(1, levels::bits(1.0f));
    const Words header{firTarget(ch), 1, 0, 0, 0};
    co_return co_await uploadWithRetries(ch, header, passThrough, Words(TextField::firName.words, 0));
}

// ---- read-back -------------------------------------------------------------

QCoro::Task<std::optional<DSPModel::FIRReadBack>> DSPModel::readFIR(int ch) {
    if (!connected_ || demo_) co_return std::nullopt;
    const auto guard = linkGuard();
    const bool entered = co_await enterFIRTurn();
    if (!entered || !guard) co_return std::nullopt;
    FIRTurn turn(this);
    const quint32 target = firTarget(ch);
    const Words startWords(2, 0);
    const auto started = co_await ask(startCommand, startWords, stepTimeout, isStatus);
    if (!started || !guard) co_return std::nullopt;

    const Words readHeader{target, 1, 0, 0, 0};
    const auto header =
        co_await ask(readHeaderCommand, readHeader, stepTimeout, [target](const DSPFrame& frame) {
            return frame.command == readHeaderCommand && frame.words.size() >= 5 && frame.words[0] == target;
        });
    if (!header || !guard) co_return std::nullopt;
    FIRReadBack result{header->words.first(5), {}};
    const qsizetype taps = header->words[1] & 0xFFFF;

    // The first chunk's length is the device's chunk size: a later chunk shorter than that
    // (before the last tap) lost words somewhere inside, and every tap after the loss would
    // sit one place early, so the read stops there. A later chunk longer than the first shows
    // the first one short, and then no tap read so far has a known place.
    qsizetype chunkSize = 0;
    for (int k = 0; k < maxReadChunks && result.coefficients.size() < taps; ++k) {
        const quint32 chunkWord = target | quint32(k << 16);
        const auto chunk = co_await ask(readChunkCommand, Words(1, chunkWord), stepTimeout,
                                        [chunkWord](const DSPFrame& frame) {
                                            return frame.command == readChunkCommand &&
                                                   frame.words.size() >= 2 && frame.words[0] == chunkWord;
                                        });
        if (!chunk || !guard) co_return std::nullopt;
        const qsizetype carried = chunk->words.size() - 1;
        const qsizetype missing = taps - result.coefficients.size();
        if (k == 0) chunkSize = carried;
        if (carried > chunkSize) result.coefficients.clear();
        if (carried < std::min(chunkSize, missing) || carried > chunkSize) break;
        for (qsizetype i = 1; i <= std::min(carried, missing); ++i)
            result.coefficients.append(levels::fromBits(chunk->words[i]));
    }
    const Words endRead{target, 0};
    co_await ask(endReadCommand, endRead, stepTimeout, isStatus);
    co_return result;
}
