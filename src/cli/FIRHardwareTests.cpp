// FIR upload, flat-filter and 1024-tap probe tests.
#include <algorithm>
#include <bit>

#include "cli/Console.h"
#include "cli/HardwareTests.h"
#include "cli/TextForms.h"
#include "fir/FIRDesign.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "platform/Tasks.h"

namespace hwtest {

namespace {

using Words = DSPModel::Words;
using ReadBack = std::optional<DSPModel::FIRReadBack>;

constexpr quint32 kBypassParameter = 391;
constexpr quint32 kNameParameter = 403;
const QString kArrow = QStringLiteral(" \u2192 ");
const QString kDash = QStringLiteral(" \u2014 ");
// The most taps an upload carries, so the most a test can put back.
constexpr int kRestorableTaps = 512;

Words bitPatterns(const QList<float>& values) {
    Words words;
    words.reserve(values.size());
    for (float value : values) words.append(std::bit_cast<quint32>(value));
    return words;
}

// Same length and the same bits at every tap, so +0.0 and -0.0 differ.
bool sameCoefficients(const ReadBack& fir, const QList<float>& expected) {
    return fir && bitPatterns(fir->coefficients) == bitPatterns(expected);
}

QString headerList(const ReadBack& fir) {
    return cli::hexWordList(fir ? fir->header : Words{}, true);
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The name and bypass words a channel had before a test, as the device reported them, so
// they go back word for word.
struct SavedChannel {
    Words name;
    Words bypass;

    QString nameText() const { return DSPFrame::unpackString(name); }
    bool bypassed() const { return bypass.value(0) != 0; }
};

quint32 nameParameter(int ch) {
    return kNameParameter + quint32(ch);
}

quint32 bypassParameter(int ch) {
    return kBypassParameter + quint32(ch);
}

// Nothing when the device never reported the name or the bypass word: a test that changes
// the channel could not put them back, so it leaves the channel alone, names them and fails.
std::optional<SavedChannel> savedChannel(const DSPModel& model, int ch) {
    QList<quint32> neverRead;
    for (quint32 p : {bypassParameter(ch), nameParameter(ch)})
        if (!model.holds(p)) neverRead.append(p);
    if (neverRead.isEmpty())
        return SavedChannel{model.params().value(nameParameter(ch)),
                            model.params().value(bypassParameter(ch))};
    printNeverRead(neverRead);
    return std::nullopt;
}

// A filter the test could not put back as it was is not overwritten: one longer than an
// upload carries, one the read-back gave only in part, or none at all.
bool restorable(const DSPModel::FIRReadBack& fir, int ch) {
    const qsizetype stored = fir.taps();
    QString why;
    if (stored > kRestorableTaps) {
        why = QStringLiteral("holds %1 taps, more than can be put back").arg(stored);
    } else if (!fir.whole()) {
        why = QStringLiteral("read back only %1 of its %2 taps").arg(fir.received).arg(stored);
    } else if (fir.coefficients.isEmpty()) {
        why = QStringLiteral("holds no taps, which cannot be put back");
    } else {
        return true;
    }
    cli::printLine(QStringLiteral("not tested: channel %1 ").arg(ch) + why);
    return false;
}

// Uploads the filter read before under its name, writes back the bypass word, and counts the
// channel restored when the device reports all three as they were: a lost acknowledgement
// undoes nothing the read-back shows. The upload gives the name back only to a block that
// reads back as the filter put back.
QCoro::Task<bool> restoreChannel(DSPModel& model, int ch, const DSPModel::FIRReadBack& before,
                                 const SavedChannel& saved) {
    const DSPModel::FIROutcome outcome = co_await model.putFIR(
        ch, bitPatterns(before.coefficients), before.header, saved.nameText(), kRestorableTaps);
    model.write(bypassParameter(ch), saved.bypass, std::nullopt, false);
    const ReadBack restored = co_await model.readFIR(ch);
    const bool bypassBack = co_await readsBack(model, bypassParameter(ch), saved.bypass);
    printFIROutcome(model, ch, QStringLiteral("restore"), outcome);
    const bool filterBack =
        restored && restored->header == before.header && sameCoefficients(restored, before.coefficients);
    const bool nameBack = outcome.holds == DSPModel::FIROutcome::Holds::sent && outcome.name == saved.name;
    co_return (filterBack && nameBack && bypassBack);
}

// The line ends in "OK", or in "FAILED" with a line naming the channel left changed.
void printRestoreResult(const QString& line, bool restored, int ch) {
    cli::printLine(line + (restored ? QStringLiteral("OK") : QStringLiteral("FAILED")));
    if (!restored) cli::printLine(QStringLiteral("not restored: channel %1").arg(ch));
}

// A block no upload changed holds what it had: there is nothing to put back, and nothing the
// test left changed.
const QString kNothingToRestore = QStringLiteral("nothing to restore, the FIR block never changed");

// One channel of --fir-hwtest; returns its failures (0 to 2).
QCoro::Task<int> uploadAndRestore(DSPModel& model, int ch, const FIRFile::Loaded& file) {
    const std::optional<SavedChannel> saved = savedChannel(model, ch);
    if (!saved) co_return 1;
    const QString label = model.channelName(ch);
    const ReadBack before = co_await model.readFIR(ch);
    if (!before) {
        cli::printLine(label + QStringLiteral(": couldn't read the current FIR"));
        co_return 1;
    }
    cli::printLine(label + QStringLiteral(": current FIR ") + before->tapsText() +
                   QStringLiteral(", header ") + headerList(before) + QStringLiteral(", name ") +
                   quoted(saved->nameText()) + QStringLiteral(", bypass ") + boolText(saved->bypassed()));
    if (!restorable(*before, ch)) co_return 1;
    const QList<float>& coefficients = file.coefficients;
    const DSPModel::FIROutcome outcome = co_await model.putFIR(ch, bitPatterns(coefficients), std::nullopt,
                                                               QStringLiteral("TSL test"), kRestorableTaps);
    int failures = 0;
    if (outcome.error) {
        // A step whose answer was lost may still have reached the device, so the
        // channel is put back unless it reads back as it was.
        cli::printLine(label + QStringLiteral(": upload failed") + kDash + *outcome.error);
        ++failures;
    } else {
        const ReadBack after = co_await model.readFIR(ch);
        const bool match = sameCoefficients(after, coefficients);
        cli::printLine(label +
                       QStringLiteral(": uploaded %1 taps, read back %2, header ")
                           .arg(coefficients.size())
                           .arg(coefficientCount(after)) +
                       headerList(after) + kArrow +
                       (match ? QStringLiteral("MATCH") : QStringLiteral("MISMATCH")));
        if (!match || !outcome.done()) ++failures;
    }
    printFIROutcome(model, ch, QStringLiteral("upload"), outcome);
    if (outcome.unchanged()) {
        cli::printLine(label + QStringLiteral(": ") + kNothingToRestore);
        co_return failures;
    }
    const bool restored = co_await restoreChannel(model, ch, *before, *saved);
    printRestoreResult(
        label + QStringLiteral(": restored original (%1 taps, name ").arg(before->coefficients.size()) +
            quoted(saved->nameText()) + QStringLiteral(", bypass ") + boolText(saved->bypassed()) +
            QLatin1Char(')') + kArrow,
        restored, ch);
    if (!restored) ++failures;
    co_return failures;
}

// How the device answered the probe, in the words of its answer: a refusal is "REJECTED", a
// step whose answer never came is not.
QString probeAnswerWord(const DSPModel::FIROutcome& outcome) {
    switch (outcome.answer) {
        case DSPModel::FIROutcome::Answer::refused:
            return QStringLiteral("REJECTED");
        case DSPModel::FIROutcome::Answer::unanswered:
            return QStringLiteral("NO ANSWER");
        default:
            return QStringLiteral("NOT SENT");
    }
}

}  // namespace

QCoro::Task<> firHardwareTest(DSPModel& model, StatusBox& box, FIRFile::Loaded file, QList<int> channels) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    cli::printLine(
        QStringLiteral("connected; file %1: %2 taps").arg(file.name).arg(file.coefficients.size()));
    int failures = 0;
    for (int ch : channels) {
        const int channelFailures = co_await uploadAndRestore(model, ch, file);
        failures += channelFailures;
    }
    co_await tasks::sleep(0.5);
    cli::printLine(failures == 0 ? QStringLiteral("ALL PASSED") : QStringLiteral("%1 FAILED").arg(failures));
    box.finish(failures == 0 ? 0 : 1);
}

QCoro::Task<> firProbe1024Test(DSPModel& model, StatusBox& box, int ch) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    const std::optional<SavedChannel> saved = savedChannel(model, ch);
    if (!saved) {
        box.finish(1);
        co_return;
    }
    const QString label = model.channelName(ch);
    const ReadBack before = co_await model.readFIR(ch);
    if (!before) {
        cli::printLine(label + QStringLiteral(": couldn't read the current FIR"));
        box.finish(1);
        co_return;
    }
    cli::printLine(label + QStringLiteral(": current FIR ") + before->tapsText() + QStringLiteral(", name ") +
                   quoted(saved->nameText()) + QStringLiteral(", bypass ") + boolText(saved->bypassed()));
    if (!restorable(*before, ch)) {
        box.finish(1);
        co_return;
    }

    QList<float> probe(1024, 0.0f);
    probe[0] = 1.0f;
    const DSPModel::FIROutcome outcome =
        co_await model.putFIR(ch, bitPatterns(probe), std::nullopt, QStringLiteral("TSL 1024 test"), 1024);
    if (outcome.error) {
        cli::printLine(QStringLiteral("1024-tap upload: ") + probeAnswerWord(outcome) + kDash +
                       *outcome.error);
    } else {
        const ReadBack after = co_await model.readFIR(ch);
        const QString reported = after && after->header.size() > 1
                                     ? QString::number(after->header[1] & 0xFFFFu)
                                     : QStringLiteral("?");
        cli::printLine(
            QStringLiteral("1024-tap upload: accepted; DSP reports ") + reported +
            QStringLiteral(" taps, read back %1")
                .arg(coefficientCount(after, QStringLiteral("coefficients"))) +
            kArrow + (sameCoefficients(after, probe) ? QStringLiteral("MATCH") : QStringLiteral("MISMATCH")));
    }
    printFIROutcome(model, ch, QStringLiteral("upload"), outcome);
    if (outcome.unchanged()) {
        co_await tasks::sleep(0.5);
        cli::printLine(QStringLiteral("restore original: ") + kNothingToRestore);
        box.finish(0);
        co_return;
    }
    const bool restored = co_await restoreChannel(model, ch, *before, *saved);
    co_await tasks::sleep(0.5);
    printRestoreResult(QStringLiteral("restore original: "), restored, ch);
    box.finish(restored ? 0 : 1);
}

QCoro::Task<> firFlatTest(DSPModel& model, StatusBox& box, int ch) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    const FIRDesign::Spec spec{FIRDesign::Kind::flat, 20, 22000, 256, 80};
    const QList<float> coefficients = FIRDesign::design(spec);
    const Words header = FIRDesign::headerWords(DSPModel::firTarget(ch), spec);
    const DSPModel::FIROutcome outcome =
        co_await model.putFIR(ch, bitPatterns(coefficients), header, QString(), 512);
    const ReadBack after = co_await model.readFIR(ch);
    const bool ok = outcome.done() && sameCoefficients(after, FIRDesign::design(spec));
    cli::printLine(
        model.channelName(ch) + QStringLiteral(": ") + outcome.error.value_or(QStringLiteral("uploaded")) +
        kDash + QStringLiteral("read back %1, header ").arg(coefficientCount(after, QStringLiteral("taps"))) +
        headerList(after) + kArrow + (ok ? QStringLiteral("OK") : QStringLiteral("FAILED")));
    printFIROutcome(model, ch, QStringLiteral("upload"), outcome);
    co_await tasks::sleep(0.5);
    box.finish(ok ? 0 : 1);
}

int32_t runFIRHardwareTest(const QString& path, const QList<int>& channels) {
    const FIRFile::Result result = FIRFile::load(path);
    const auto* file = std::get_if<FIRFile::Loaded>(&result);
    if (!file) {
        cli::printLine(QStringLiteral("can't read ") + path);
        return 1;
    }
    return runBody([file = *file, channels](DSPModel& model, StatusBox& box) {
        return firHardwareTest(model, box, file, channels);
    });
}

}  // namespace hwtest
