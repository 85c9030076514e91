// FIR block transfers: upload in four acknowledged steps, the guarded upload with
// retries, clearing to a pass-through, and the read-back. The operations take turns,
// so the steps of two of them never interleave on the wire. An upload that may have changed
// a block reads it back and names it after what it holds, so no name outlives its filter.
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

namespace {

// A step's answer as a text: none when the step was taken.
std::optional<QString> stepError(const std::optional<DSPFrame>& answer, const QString& step) {
    if (!answer) return QStringLiteral("No answer from the DSP (%1).").arg(step);
    if (answer->command == acknowledgeCommand)
        return QStringLiteral(
                   "The DSP couldn't read the %1. Close any other program connected to the DSP and try "
                   "again.")
            .arg(step);
    if (!answer->words.isEmpty() && answer->words[0] != 0)
        return QStringLiteral("The DSP rejected the %1 (code %2).").arg(step).arg(answer->words[0]);
    return std::nullopt;
}

// What a step's answer was, beside its text: an unread step and a refused one both carry a code.
DSPModel::FIROutcome::Answer answerKind(const std::optional<DSPFrame>& answer, const QString& error) {
    using Answer = DSPModel::FIROutcome::Answer;
    if (!answer) return Answer::unanswered;
    return error.isEmpty() ? Answer::taken : Answer::refused;
}

std::optional<quint32> refusalCode(const std::optional<DSPFrame>& answer) {
    if (!answer || answer->command == acknowledgeCommand || answer->words.isEmpty()) return std::nullopt;
    return answer->words[0];
}

bool isStepAnswer(const DSPFrame& frame) {
    if (frame.command == statusCommand) return true;
    // A plain acknowledgement (first word 0) is not the step's answer.
    return frame.command == acknowledgeCommand && !frame.words.isEmpty() && frame.words[0] != 0;
}

DSPModel::Words wordsOf(const DSPModel::FIRReadBack& block) {
    DSPModel::Words words;
    for (float c : block.coefficients) words.append(levels::bits(c));
    return words;
}

// Whether a read-back shows exactly these coefficient words, every tap in its place.
bool readsAs(const DSPModel::FIRReadBack& block, const DSPModel::Words& coefficients) {
    return block.whole() && wordsOf(block) == coefficients;
}

// Resumes on a later turn of the loop, behind everything posted before.
QCoro::Task<> nextTurn() {
    tasks::Continuation<bool> turn;
    tasks::post([done = turn.completer()] { done(true); });
    co_await turn;
}

}  // namespace

QString DSPModel::FIRReadBack::tapsText() const {
    if (whole()) return QStringLiteral("%1 taps").arg(coefficients.size());
    return QStringLiteral("%1 of %2 taps, read in part").arg(received).arg(taps());
}

QString DSPModel::FIROutcome::nameText() const {
    if (!name) return QStringLiteral("?");
    return QLatin1Char('"') + DSPFrame::unpackString(*name) + QLatin1Char('"');
}

QString DSPModel::FIROutcome::answerText() const {
    switch (answer) {
        case Answer::taken:
            return QStringLiteral("taken");
        case Answer::refused:
            return QStringLiteral("refused at the %1 ").arg(step) +
                   (code ? QStringLiteral("(code %1)").arg(*code)
                         : QStringLiteral("(the DSP couldn't read it)"));
        case Answer::unanswered:
            return QStringLiteral("no answer to the %1").arg(step);
        case Answer::notSent:
            break;
    }
    return QStringLiteral("not sent");
}

QString DSPModel::FIROutcome::blockText() const {
    switch (holds) {
        case Holds::sent:
            return QStringLiteral("holds the filter sent");
        case Holds::previous:
            return QStringLiteral("holds the filter it had");
        case Holds::other:
            return QStringLiteral("holds another filter (%1)").arg(block->tapsText());
        case Holds::inPart:
            return QStringLiteral("was read in part (%1 of %2 taps)").arg(block->received).arg(block->taps());
        case Holds::notRead:
            break;
    }
    return QStringLiteral("was not read back");
}

QString DSPModel::FIROutcome::text() const {
    if (answer == Answer::notSent) return error.value_or(QString());
    const QString sent = taps == 1 ? QStringLiteral("1 tap sent") : QStringLiteral("%1 taps sent").arg(taps);
    return sent + QStringLiteral(", ") + answerText() + QStringLiteral("; FIR block ") + blockText() +
           QStringLiteral(", name ") + nameText();
}

QString DSPModel::FIROutcome::sentence() const {
    const QString said = text();
    return said.endsWith(QLatin1Char('.')) ? said : said + QLatin1Char('.');
}

std::optional<QString> DSPModel::FIROutcome::failure() const {
    if (done()) return std::nullopt;
    if (unchanged() && error) return error;
    return sentence();
}

QCoro::Task<std::optional<QString>> DSPModel::requestErrorText(quint16 command, Words w, QString step) {
    const auto answer = co_await ask(command, std::move(w), stepTimeout, isStepAnswer);
    co_return stepError(answer, step);
}

QCoro::Task<DSPModel::StepsOutcome> DSPModel::uploadSteps(Words header, Words coefficients, quint32 target) {
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
        const std::optional<DSPFrame> answer =
            co_await ask(steps[done].command, steps[done].words, stepTimeout, isStepAnswer);
        const std::optional<QString> error = stepError(answer, steps[done].name);
        // Only a commit changes the block; one whose answer never came may have done so.
        const bool mayHaveChanged = done == steps.size() - 1 && (!error || !answer);
        const qsizetype answered = done + (error ? 0 : 1);
        StepsOutcome outcome{error, answerKind(answer, error.value_or(QString())), steps[done].name,
                             refusalCode(answer), mayHaveChanged};
        if (!guard && answered < steps.size()) {
            // The block holds whatever the steps answered left it: the user is told how far it came.
            if (DSPModel* self = guard.get())
                Q_EMIT self->firUploadCut(int(target >> 8) - 1, int(answered), int(steps.size()));
            if (!error) {
                // The link went before the next step could go out.
                outcome.error = gone;
                outcome.answer = FIROutcome::Answer::unanswered;
                outcome.step = steps[answered].name;
            }
            co_return outcome;
        }
        if (error) co_return outcome;
    }
    co_return StepsOutcome{std::nullopt, FIROutcome::Answer::taken, QString(), std::nullopt, true};
}

QCoro::Task<std::optional<QString>> DSPModel::uploadFIR(Words header, Words coefficients, quint32 target) {
    const auto guard = linkGuard();
    const bool entered = co_await enterFIRTurn();
    if (!entered || !guard) co_return QStringLiteral("No answer from the DSP (start).");
    FIRTurn turn(this);
    const StepsOutcome outcome = co_await uploadSteps(std::move(header), std::move(coefficients), target);
    co_return outcome.error;
}

// Writes the FIR name and gives it as the device then reports it; none when it could not be
// asked. An unconfirmed name is not held as the device's: it shows as unread.
QCoro::Task<std::optional<DSPModel::Words>> DSPModel::writeFIRName(int ch, Words name) {
    const auto guard = linkGuard();
    const quint32 number = firNameParam(ch);
    if (!name.isEmpty()) {
        write(number, name, std::nullopt, false);
        // The write joins the link's queue on a later turn: the read must come behind it.
        co_await nextTurn();
        if (!guard) co_return std::nullopt;
    }
    const std::optional<Words> answer = co_await link_->readParam(number);
    const bool whole = answer && answer->size() >= TextField::firName.words;
    if (DSPModel* self = guard.get(); self && !whole) self->storeParam(number, {});
    if (!whole) co_return std::nullopt;
    co_return answer->first(TextField::firName.words);
}

namespace {

// What a block read back as after an upload, told from the filter sent and the one before. A
// block no commit reached holds what it had, whatever a read before it could show.
DSPModel::FIROutcome::Holds holdsOf(const std::optional<DSPModel::FIRReadBack>& block,
                                    const DSPModel::Words& sent,
                                    const std::optional<DSPModel::FIRReadBack>& before, bool mayHaveChanged) {
    using Holds = DSPModel::FIROutcome::Holds;
    if (!block) return Holds::notRead;
    if (!block->whole()) return Holds::inPart;
    // Without a commit a block reading as the filter sent held it already.
    if (!mayHaveChanged) return Holds::previous;
    if (readsAs(*block, sent)) return Holds::sent;
    if (before && before->whole() && readsAs(*block, wordsOf(*before))) return Holds::previous;
    return Holds::other;
}

}  // namespace

QCoro::Task<DSPModel::FIROutcome> DSPModel::uploadWithRetries(int ch, Words header, Words coefficients,
                                                              Words name) {
    const auto guard = linkGuard();
    FIROutcome outcome;
    outcome.nameSent = name;
    const bool entered = co_await enterFIRTurn();
    if (!entered || !guard) {
        outcome.error = notConnectedText;
        co_return outcome;
    }
    FIRTurn turn(this);
    // The filter there before, to tell it from the new one if the block does not show that.
    const std::optional<FIRReadBack> before = co_await readSteps(ch);
    if (!guard) {
        outcome.error = QStringLiteral("No answer from the DSP (start).");
        co_return outcome;
    }
    outcome.taps = coefficients.size();
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const StepsOutcome steps = co_await uploadSteps(header, coefficients, firTarget(ch));
        outcome.error = steps.error;
        outcome.answer = steps.answer;
        outcome.step = steps.step;
        outcome.code = steps.code;
        outcome.mayHaveChanged = outcome.mayHaveChanged || steps.mayHaveChanged;
        if (!guard || !steps.error) break;
    }
    if (!guard) co_return outcome;
    // Even an acknowledged commit is taken only as far as the block reads back, and a refused
    // one is read back too, so every outcome says what the block holds. A read whose every
    // coefficient came is whole even when the link goes at its closing request.
    outcome.block = co_await readSteps(ch);
    outcome.holds = holdsOf(outcome.block, coefficients, before, outcome.mayHaveChanged);
    if (!guard) co_return outcome;
    // A block no commit changed keeps its name: it is only confirmed.
    Words nameNow;
    if (outcome.mayHaveChanged && outcome.holds == FIROutcome::Holds::sent)
        nameNow = name;
    else if (outcome.mayHaveChanged && outcome.holds != FIROutcome::Holds::previous)
        nameNow = Words(TextField::firName.words, 0);
    outcome.name = co_await writeFIRName(ch, nameNow);
    co_return outcome;
}

QCoro::Task<DSPModel::FIROutcome> DSPModel::putFIR(int ch, Words coefficients, std::optional<Words> header,
                                                   QString name, int tapLimit) {
    FIROutcome refused;
    if (!connected_ || demo_) {
        refused.error = notConnectedText;
        co_return refused;
    }
    if (coefficients.isEmpty() || coefficients.size() > tapLimit) {
        refused.error = QStringLiteral("A FIR filter must have 1 to %1 taps.").arg(tapLimit);
        co_return refused;
    }
    // A NaN or infinite tap would make the block's output noise or silence; whatever
    // made such a filter, it never reaches the device.
    const auto nonFinite = std::find_if(coefficients.cbegin(), coefficients.cend(),
                                        [](quint32 word) { return !std::isfinite(levels::fromBits(word)); });
    if (nonFinite != coefficients.cend()) {
        refused.error =
            QStringLiteral("The FIR filter holds values that are not numbers (tap %1); nothing was sent.")
                .arg(nonFinite - coefficients.cbegin() + 1);
        co_return refused;
    }
    const quint32 target = firTarget(ch);
    Words h = header.value_or(Words{target, quint32(coefficients.size()), 0, 0, 0});
    // Word 0 of the header names the block. A filter made for one block and sent to
    // several must name each in turn, as its chunks and commit do.
    if (!h.isEmpty()) h[0] = target;
    const Words nameWords = DSPFrame::packString(TextField::firName.fit(name), TextField::firName.words);
    co_return co_await uploadWithRetries(ch, h, std::move(coefficients), nameWords);
}

QCoro::Task<DSPModel::FIROutcome> DSPModel::putPassThrough(int ch) {
    if (!connected_ || demo_) {
        FIROutcome refused;
        refused.error = notConnectedText;
        co_return refused;
    }
    const Words passThrough(1, levels::bits(1.0f));
    const Words header{firTarget(ch), 1, 0, 0, 0};
    co_return co_await uploadWithRetries(ch, header, passThrough, Words(TextField::firName.words, 0));
}

QCoro::Task<std::optional<QString>> DSPModel::sendFIR(int ch, Words coefficients, std::optional<Words> header,
                                                      QString name, int tapLimit) {
    const FIROutcome outcome =
        co_await putFIR(ch, std::move(coefficients), std::move(header), name, tapLimit);
    co_return outcome.failure();
}

QCoro::Task<std::optional<QString>> DSPModel::clearFIR(int ch) {
    const FIROutcome outcome = co_await putPassThrough(ch);
    co_return outcome.failure();
}

// ---- read-back -------------------------------------------------------------

QCoro::Task<std::optional<DSPModel::FIRReadBack>> DSPModel::readFIR(int ch) {
    if (!connected_ || demo_) co_return std::nullopt;
    const auto guard = linkGuard();
    const bool entered = co_await enterFIRTurn();
    if (!entered || !guard) co_return std::nullopt;
    FIRTurn turn(this);
    co_return co_await readSteps(ch);
}

QCoro::Task<std::optional<DSPModel::FIRReadBack>> DSPModel::readSteps(int ch) {
    const auto guard = linkGuard();
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
    // the first one short, and then no tap read so far has a known place. A chunk that carries
    // nothing ends the read: a one-chunk filter a word short reads in part, not as no answer.
    qsizetype chunkSize = 0;
    for (int k = 0; k < maxReadChunks && result.coefficients.size() < taps; ++k) {
        const quint32 chunkWord = target | quint32(k << 16);
        const auto chunk = co_await ask(readChunkCommand, Words(1, chunkWord), stepTimeout,
                                        [chunkWord](const DSPFrame& frame) {
                                            return frame.command == readChunkCommand &&
                                                   !frame.words.isEmpty() && frame.words[0] == chunkWord;
                                        });
        if (!chunk || !guard) co_return std::nullopt;
        const qsizetype carried = chunk->words.size() - 1;
        const qsizetype missing = taps - result.coefficients.size();
        result.received = std::min(result.received + carried, taps);
        if (k == 0) chunkSize = carried;
        if (carried > chunkSize) result.coefficients.clear();
        if (carried == 0 || carried < std::min(chunkSize, missing) || carried > chunkSize) break;
        for (qsizetype i = 1; i <= std::min(carried, missing); ++i)
            result.coefficients.append(levels::fromBits(chunk->words[i]));
    }
    const Words endRead{target, 0};
    co_await ask(endReadCommand, endRead, stepTimeout, isStatus);
    co_return result;
}
