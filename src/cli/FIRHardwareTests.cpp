// FIR upload, flat-filter and 1024-tap probe tests.
#include <QDeadlineTimer>
#include <bit>

#include "cli/Console.h"
#include "cli/HardwareTests.h"
#include "cli/TextForms.h"
#include "fir/FIRDesign.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/DeviceText.h"
#include "platform/Tasks.h"

namespace hwtest {

namespace {

using Words = DSPModel::Words;
using ReadBack = std::optional<DSPModel::FIRReadBack>;

constexpr quint32 kBypassParameter = 391;
constexpr quint32 kNameParameter = 403;
constexpr int kNameWords = 6;
constexpr int kNameCharacters = 24;
const QString kArrow = QStringLiteral(" \u2192 ");
const QString kDash = QStringLiteral(" \u2014 ");

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

qsizetype tapCount(const ReadBack& fir) {
    return fir ? fir->coefficients.size() : 0;
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The name and bypass word a channel had before a test, put back word for word.
struct SavedChannel {
    QString name;
    bool bypassed = false;

    static SavedChannel of(const DSPModel& model, int ch) {
        return {model.firName(ch), model.words(kBypassParameter + quint32(ch), 1)[0] != 0};
    }

    void restoreNameAndBypass(DSPModel& model, int ch) const {
        const QString name = printableASCII(this->name).left(kNameCharacters);
        model.write(kNameParameter + quint32(ch), DSPFrame::packString(name, kNameWords), std::nullopt,
                    false);
        restoreBypass(model, ch);
    }

    void restoreBypass(DSPModel& model, int ch) const {
        model.write(kBypassParameter + quint32(ch), Words{bypassed ? 1u : 0u}, std::nullopt, false);
    }
};

// Uploads what was read before and checks that it reads back the same.
QCoro::Task<bool> restoreFIR(DSPModel& model, int ch, const DSPModel::FIRReadBack& before,
                             const SavedChannel& saved, bool restoreName) {
    const std::optional<QString> error =
        co_await model.sendFIR(ch, bitPatterns(before.coefficients), before.header, saved.name, 512);
    if (restoreName) {
        saved.restoreNameAndBypass(model, ch);
    } else {
        saved.restoreBypass(model, ch);
    }
    const ReadBack restored = co_await model.readFIR(ch);
    co_return !error && restored && restored->header == before.header &&
        sameCoefficients(restored, before.coefficients);
}

// One channel of --fir-hwtest; returns its failures (0 to 2).
QCoro::Task<int> uploadAndRestore(DSPModel& model, int ch, const FIRFile::Loaded& file) {
    const QString label = model.channelName(ch);
    const ReadBack before = co_await model.readFIR(ch);
    if (!before) {
        cli::printLine(label + QStringLiteral(": couldn't read the current FIR"));
        co_return 1;
    }
    const SavedChannel saved = SavedChannel::of(model, ch);
    cli::printLine(label + QStringLiteral(": current FIR %1 taps, header ").arg(before->coefficients.size()) +
                   headerList(before) + QStringLiteral(", name ") + quoted(saved.name) +
                   QStringLiteral(", bypass ") + boolText(saved.bypassed));
    const QList<float>& coefficients = file.coefficients;
    const std::optional<QString> error =
        co_await model.sendFIR(ch, bitPatterns(coefficients), std::nullopt, QStringLiteral("TSL test"), 512);
    if (error) {
        cli::printLine(label + QStringLiteral(": upload failed") + kDash + *error);
        saved.restoreNameAndBypass(model, ch);
        co_return 1;
    }
    int failures = 0;
    const ReadBack after = co_await model.readFIR(ch);
    const bool match = sameCoefficients(after, coefficients);
    cli::printLine(label +
                   QStringLiteral(": uploaded %1 taps, read back %2, header ")
                       .arg(coefficients.size())
                       .arg(tapCount(after)) +
                   headerList(after) + kArrow +
                   (match ? QStringLiteral("MATCH") : QStringLiteral("MISMATCH")));
    if (!match) ++failures;
    const bool restored = co_await restoreFIR(model, ch, *before, saved, false);
    cli::printLine(label +
                   QStringLiteral(": restored original (%1 taps, name ").arg(before->coefficients.size()) +
                   quoted(saved.name) + QStringLiteral(", bypass ") + boolText(saved.bypassed) +
                   QLatin1Char(')') + kArrow + (restored ? QStringLiteral("OK") : QStringLiteral("FAILED")));
    if (!restored) ++failures;
    co_return failures;
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
    const QString label = model.channelName(ch);
    const ReadBack before = co_await model.readFIR(ch);
    if (!before) {
        cli::printLine(label + QStringLiteral(": couldn't read the current FIR"));
        box.finish(1);
        co_return;
    }
    const SavedChannel saved = SavedChannel::of(model, ch);
    cli::printLine(label + QStringLiteral(": current FIR %1 taps, name ").arg(before->coefficients.size()) +
                   quoted(saved.name) + QStringLiteral(", bypass ") + boolText(saved.bypassed));

    QList<float> probe(1024, 0.0f);
    probe[0] = 1.0f;
    const std::optional<QString> error =
        co_await model.sendFIR(ch, bitPatterns(probe), std::nullopt, QStringLiteral("TSL 1024 test"), 1024);
    if (error) {
        cli::printLine(QStringLiteral("1024-tap upload: REJECTED") + kDash + *error);
    } else {
        const ReadBack after = co_await model.readFIR(ch);
        const QString reported = after && after->header.size() > 1
                                     ? QString::number(after->header[1] & 0xFFFFu)
                                     : QStringLiteral("?");
        cli::printLine(
            QStringLiteral("1024-tap upload: accepted; DSP reports ") + reported +
            QStringLiteral(" taps, read back %1 coefficients").arg(tapCount(after)) + kArrow +
            (sameCoefficients(after, probe) ? QStringLiteral("MATCH") : QStringLiteral("MISMATCH")));
    }
    const bool restored = co_await restoreFIR(model, ch, *before, saved, true);
    co_await tasks::sleep(0.5);
    cli::printLine(QStringLiteral("restore original: ") +
                   (restored ? QStringLiteral("OK") : QStringLiteral("FAILED")));
    box.finish(restored ? 0 : 1);
}

QCoro::Task<> firFlatTest(DSPModel& model, StatusBox& box, int ch) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    const FIRDesign::Spec spec{FIRDesign::Kind::flat, 20, 22000, 256, 80};
    const QList<float> coefficients = FIRDesign::design(spec);
    const Words header = FIRDesign::headerWords(DSPModel::firTarget(ch), spec);
    const std::optional<QString> error =
        co_await model.sendFIR(ch, bitPatterns(coefficients), header, QString(), 512);
    const ReadBack after = co_await model.readFIR(ch);
    const bool ok = !error && sameCoefficients(after, FIRDesign::design(spec));
    cli::printLine(model.channelName(ch) + QStringLiteral(": ") + error.value_or(QStringLiteral("uploaded")) +
                   kDash + QStringLiteral("read back %1 taps, header ").arg(tapCount(after)) +
                   headerList(after) + kArrow + (ok ? QStringLiteral("OK") : QStringLiteral("FAILED")));
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
