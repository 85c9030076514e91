// Parameter, input-source and preset tests: each changes the device through the
// model, reads the device's view back and leaves the device as it was.
#include <QStringList>
#include <algorithm>
#include <bit>
#include <functional>
#include <set>
#include <vector>

#include "cli/Console.h"
#include "cli/HardwareTests.h"
#include "cli/TextForms.h"
#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/DeviceText.h"
#include "link/DeviceVocabulary.h"
#include "link/ParamMap.h"
#include "platform/NumText.h"
#include "platform/Tasks.h"

namespace hwtest {

namespace {

using Words = DSPModel::Words;

struct TestItem {
    QString label;
    quint32 parameter;
};

quint32 bits(float value) {
    return std::bit_cast<quint32>(value);
}

QString wordList(const Words& words) {
    return cli::hexWordList(words, false);
}

// Changes one parameter of every kind on every channel and the first crosspoint of each
// grid, each only where the table saved before the test holds it: a parameter the device
// never answered could not be put back. What was changed, and what was not, each in order.
class ParameterChanges {
public:
    ParameterChanges(DSPModel& model, const DSPModel::Table& saved) : model_(model), saved_(saved) {}

    void apply() {
        for (int ch = 0; ch < ParamMap::channelCount; ++ch) channel(ch);
        int g = 0;
        for (const ParamMap::Grid& grid : ParamMap::grids()) {
            row({{QStringLiteral("matrix %1 crosspoint").arg(++g), grid.base}},
                [&] { writePair(grid.base, bits(-6.0f), 0x100); });
        }
    }

    const std::vector<TestItem>& written() const { return written_; }
    const std::vector<TestItem>& notWritten() const { return notWritten_; }

private:
    // The writes of a row go together (a setter may write all of its parameters), so a row
    // with one parameter never read is left out whole.
    void row(const std::vector<TestItem>& items, const std::function<void()>& write) {
        const bool held = std::all_of(items.begin(), items.end(), [this](const TestItem& item) {
            return saved_.contains(item.parameter);
        });
        if (held) write();
        std::vector<TestItem>& list = held ? written_ : notWritten_;
        list.insert(list.end(), items.begin(), items.end());
    }

    // Two words with the first two replaced, propagated to the channel's group.
    void writePair(quint32 p, quint32 first, quint32 second) {
        Words w = model_.words(p, 2);
        w[0] = first;
        w[1] = second;
        model_.write(p, w);
    }

    void channel(int ch) {
        const auto c = quint32(ch);
        const bool input = ParamMap::isInput(ch);
        const QString base = model_.channelName(ch);
        const auto item = [&base](const char* suffix, quint32 parameter) {
            return TestItem{base + QString::fromUtf8(suffix), parameter};
        };

        row({item(" gain/mute/polarity", 1 + c)}, [&] {
            model_.setGain(ch, -2.5f);
            model_.setMute(ch, true);
            model_.setPolarity(ch, true);
        });
        row({item(" name", 378 + c)}, [&] {
            const QString name = printableASCII(QStringLiteral("TEST%1").arg(ch)).left(8);
            if (!name.isEmpty()) model_.write(378 + c, DSPFrame::packString(name, 2), std::nullopt, false);
        });
        row({item(" delay", 330 + c)}, [&] { writePair(330 + c, bits(1.25f), 0); });
        row({item(" high-pass", 154 + c)}, [&] { writePair(154 + c, 90, FilterSlope::bw24); });
        row({item(" low-pass", 166 + c)}, [&] { writePair(166 + c, 15000, FilterSlope::lr24); });

        const int last = input ? ParamMap::inputEQBands - 1 : ParamMap::outputEQBands - 1;
        for (int b : {0, last}) {
            const quint32 p = ParamMap::eqBandParam(ch, b);
            row({{base + QStringLiteral(" EQ band %1").arg(b + 1), p}}, [&] {
                Words w = model_.words(p, 4);
                DSPModel::encodeBand(w, DSPModel::Band{1234, 2.5f, 1.7f, EQBandType::peak, true});
                model_.write(p, w);
            });
        }

        row({item(" FIR bypass", 391 + c)}, [&] { model_.write(391 + c, Words{0}, std::nullopt, false); });

        if (input) {
            row({item(" gate", 210 + c), item(" gate switch", 214 + c)},
                [&] { model_.setGate(ch, -60.0f, true); });
            row({item(" dynamic EQ", 354 + 3 * c)}, [&] {
                model_.setDEQBand(
                    ch, 0,
                    DSPModel::DEQBand{500, 3.0f, 2.0f, DEQMode::cutAbove, true, -20.0f, 10, 100, 2.0f});
            });
        } else {
            row({item(" compressor", 174 + c), item(" compressor switch", 182 + c)}, [&] {
                model_.setCompressor(ch, DSPModel::Compressor{-10.0f, 4.0f, 5, 50, 3, true});
            });
            row({item(" limiter", 190 + c), item(" limiter switch", 198 + c)}, [&] {
                model_.setLimiter(ch, DSPModel::Limiter{6.0f, 100, true});
            });
        }
    }

    DSPModel& model_;
    const DSPModel::Table& saved_;
    std::vector<TestItem> written_;
    std::vector<TestItem> notWritten_;
};

// The model's words for a read-back comparison must be taken before the read:
// the model stores every parameter answer it sees, so afterwards they would
// always agree with the device.
bool matches(const Words& expected, const Words& answer) {
    if (answer.isEmpty() || answer.size() < expected.size()) return false;
    return answer.first(expected.size()) == expected;
}

QCoro::Task<Words> readBack(DSPModel& model, quint32 p) {
    const std::optional<Words> answer = co_await model.link().readParam(p);
    co_return answer.value_or(Words{});
}

// Names the parameters the test left alone: those the device never answered, and any set
// by the same step as one of them.
void reportNotWritten(const std::vector<TestItem>& items, const DSPModel::Table& saved) {
    QList<quint32> neverRead;
    QStringList withThem;
    for (const TestItem& item : items) {
        if (saved.contains(item.parameter)) {
            withThem.append(QString::number(item.parameter));
        } else {
            neverRead.append(item.parameter);
        }
    }
    if (!neverRead.isEmpty()) printNeverRead(neverRead);
    if (!withThem.isEmpty())
        cli::printLine(QStringLiteral("not tested, set together with one never read: [%1]")
                           .arg(withThem.join(QLatin1String(", "))));
}

// An input whose routing or source word the device did not confirm (never read, or not read
// back as restored) shows "?": the model's words for it are not what the device holds.
QString sourcesLine(const DSPModel& model, const QList<quint32>& unconfirmed) {
    QStringList inputs;
    for (int i = 0; i < ParamMap::inputChannelCount; ++i) {
        const auto in = quint32(i);
        const bool known = !unconfirmed.contains(346 + in) && !unconfirmed.contains(350 + in);
        inputs.append(model.channelName(i) + QLatin1Char(' ') +
                      (known ? inputSourceText(model, i) : QStringLiteral("?")));
    }
    return inputs.join(QLatin1String(", "));
}

// Why fewer than two inputs could be tested: the test signal on the others, or words the
// device never reported, which hide whether an input is free or could not be put back.
QString tooFewInputsReason(const DSPModel& model) {
    if (!model.holds(342)) return QStringLiteral("generator type never read, no source could be put back");
    int carrying = 0;
    for (int i = 0; i < ParamMap::inputChannelCount; ++i) {
        const auto in = quint32(i);
        if (model.holds(346 + in) && model.holds(350 + in) && model.inputSource(i) == InputSource::testSignal)
            ++carrying;
    }
    if (ParamMap::inputChannelCount - carrying >= 2)
        return QStringLiteral("fewer than two inputs with their routing and source read");
    return QStringLiteral("fewer than two inputs free of the test signal");
}

QString reportedSource(const Words& answer) {
    return answer.isEmpty() ? QStringLiteral("no reply") : sourceWordText(answer[0]);
}

// A name whose answer was lost is no name of the slot's.
QString slotName(const DSPModel::PresetSlot& slot) {
    return slot.nameAnswered ? slot.name : QStringLiteral("?");
}

QStringList presetEntries(const DSPModel& model) {
    QStringList entries;
    for (const DSPModel::PresetSlot& slot : model.presets())
        entries.append(QStringLiteral("%1:%2").arg(slot.id).arg(slotName(slot)));
    return entries;
}

std::optional<QString> listedName(const DSPModel& model, int slot) {
    for (const DSPModel::PresetSlot& preset : model.presets()) {
        if (preset.id == slot) return slotName(preset);
    }
    return std::nullopt;
}

std::optional<int> freePresetSlot(const DSPModel& model) {
    for (int slot = 2; slot <= 30; ++slot) {
        if (!listedName(model, slot)) return slot;
    }
    return std::nullopt;
}

QString acknowledged(bool ok) {
    return ok ? QStringLiteral("acknowledged") : QStringLiteral("FAILED");
}

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

}  // namespace

QCoro::Task<> parameterTest(DSPModel& model, StatusBox& box) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    const DSPModel::Table saved = model.params();
    ParameterChanges changes(model, saved);
    changes.apply();
    const std::vector<TestItem>& items = changes.written();

    co_await tasks::sleep(0.5);
    int mismatches = 0;
    for (const TestItem& item : items) {
        const Words expected = model.params().value(item.parameter);
        const Words answer = co_await readBack(model, item.parameter);
        if (matches(expected, answer)) continue;
        ++mismatches;
        cli::printLine(QStringLiteral("MISMATCH %1 [%2]: app ").arg(item.label).arg(item.parameter) +
                       wordList(expected) + QStringLiteral(" DSP ") +
                       wordList(answer.first(std::min(answer.size(), expected.size()))));
    }
    // What could not be tested is no pass.
    reportNotWritten(changes.notWritten(), saved);
    mismatches += static_cast<int>(changes.notWritten().size());
    const auto count = static_cast<int>(items.size() + changes.notWritten().size());
    cli::printLine(
        QStringLiteral("set + read back: %1 of %2 parameters match").arg(count - mismatches).arg(count));

    std::set<quint32> changed;
    for (const TestItem& item : items) changed.insert(item.parameter);
    for (quint32 p : changed) model.write(p, saved.value(p), std::nullopt, false);
    co_await tasks::sleep(0.5);
    int notRestored = 0;
    for (quint32 p : changed) {
        const bool back = co_await readsBack(model, p, saved.value(p));
        if (back) continue;
        ++notRestored;
        cli::printLine(QStringLiteral("NOT RESTORED [%1]").arg(p));
    }
    cli::printLine(QStringLiteral("restore: ") +
                   (notRestored == 0 ? QStringLiteral("all parameters back to their original values")
                                     : QStringLiteral("%1 not restored").arg(notRestored)));
    box.finish(mismatches > 0 || notRestored > 0 ? 1 : 0);
}

QCoro::Task<> sourcesTest(DSPModel& model, StatusBox& box) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    QList<std::pair<quint32, Words>> snapshot;
    QList<quint32> neverRead;
    for (quint32 p : {346u, 350u, 347u, 351u, 348u, 352u, 349u, 353u, 342u}) {
        if (model.holds(p)) {
            snapshot.append({p, model.params().value(p)});
        } else {
            neverRead.append(p);
        }
    }
    cli::printLine(QStringLiteral("before: ") + sourcesLine(model, neverRead));
    if (!neverRead.isEmpty()) printNeverRead(neverRead);

    // An input is tested only when the device reported its routing and source words and the
    // generator type that every source write sends again: a word never read could not be put
    // back, and an unread routing word may hide the test signal.
    QList<int> free;
    for (int i = 0; i < ParamMap::inputChannelCount; ++i) {
        const auto in = quint32(i);
        if (!model.holds(346 + in) || !model.holds(350 + in) || !model.holds(342)) continue;
        if (model.words(346 + in, 1)[0] != 1 && model.words(350 + in, 1)[0] != InputSource::testSignal)
            free.append(i);
    }
    if (free.size() < 2) {
        cli::printLine(tooFewInputsReason(model) + QStringLiteral(" \u2014 nothing to test"));
        box.finish(1);
        co_return;
    }

    const InputSource patterns[2][4] = {
        {InputSource::analog, InputSource::dante, InputSource::aes, InputSource::dante},
        {InputSource::aes, InputSource::analog, InputSource::dante, InputSource::analog},
    };
    int mismatches = 0;
    for (const auto& pattern : patterns) {
        QStringList set, reported;
        for (int k = 0; k < free.size(); ++k) model.setInputSource(free[k], pattern[k]);
        co_await tasks::sleep(0.6);
        for (int k = 0; k < free.size(); ++k) {
            const Words answer = co_await readBack(model, 350 + quint32(free[k]));
            if (answer.isEmpty() || answer[0] != quint32(pattern[k].rawValue())) ++mismatches;
            set.append(model.channelName(free[k]) + QLatin1Char(' ') + pattern[k].label());
            reported.append(model.channelName(free[k]) + QLatin1Char(' ') + reportedSource(answer));
        }
        cli::printLine(QStringLiteral("set ") + set.join(QLatin1String(", ")) +
                       QStringLiteral(" \u2192 DSP reports ") + reported.join(QLatin1String(", ")));
    }

    for (const auto& [p, words] : snapshot) model.write(p, words, std::nullopt, false);
    co_await tasks::sleep(0.6);
    QList<quint32> notRestored;
    for (const auto& [p, words] : snapshot) {
        const bool back = co_await readsBack(model, p, words);
        if (back) continue;
        notRestored.append(p);
        cli::printLine(QStringLiteral("NOT RESTORED [%1]").arg(p));
    }
    cli::printLine(QStringLiteral("after:  ") + sourcesLine(model, neverRead + notRestored));
    if (mismatches > 0 || !notRestored.isEmpty() || !neverRead.isEmpty()) {
        cli::printLine(QStringLiteral("SOURCES FAILED (%1, %2 not restored)")
                           .arg(numtext::counted(mismatches, u"mismatch", u"mismatches"))
                           .arg(notRestored.size()));
        box.finish(1);
    } else {
        cli::printLine(
            QStringLiteral("SOURCES PASSED (each input holds its own source; originals restored)"));
        box.finish(0);
    }
}

QCoro::Task<> presetsTest(DSPModel& model, StatusBox& box) {
    const bool connected = co_await connectedOrFinish(model, box);
    if (!connected) co_return;
    // Without the device's own list a free slot would be a guess that may overwrite a
    // user's preset, and no list afterwards could be compared with it.
    const bool listRead = co_await model.refreshPresets();
    if (!listRead) {
        cli::printLine(QStringLiteral("preset list not read \u2014 nothing stored"));
        cli::printLine(QStringLiteral("PRESETS FAILED"));
        box.finish(1);
        co_return;
    }
    const QStringList before = presetEntries(model);
    const std::optional<int> current = model.currentPreset();
    cli::printLine(QStringLiteral("presets before: ") + cli::quotedList(before) +
                   QStringLiteral(", current ") +
                   (current ? QString::number(*current) : QStringLiteral("?")));

    const std::optional<int> slot = freePresetSlot(model);
    if (!slot) {
        cli::printLine(QStringLiteral("no free slot"));
        box.finish(1);
        co_return;
    }
    const QString testName = QStringLiteral("TSL TEST");
    const bool stored = co_await model.storePreset(*slot, testName);
    const std::optional<QString> listed = listedName(model, *slot);
    cli::printLine(QStringLiteral("save to slot %1: ").arg(*slot) + acknowledged(stored) +
                   QStringLiteral(", listed as \"") + listed.value_or(QStringLiteral("-")) +
                   QLatin1Char('"'));

    const bool deleted = co_await model.deletePreset(*slot);
    // The list is read once more here: a delete whose list went unanswered leaves it unknown.
    const bool readAfter = co_await model.refreshPresets();
    const bool listRestored = readAfter && presetEntries(model) == before;
    const bool currentKept = readAfter && model.currentPreset() == current;
    const auto outcome = [readAfter](bool same) {
        return readAfter ? boolText(same) : QStringLiteral("not read");
    };
    cli::printLine(QStringLiteral("delete: ") + acknowledged(deleted) + QStringLiteral("; list restored: ") +
                   outcome(listRestored) + QStringLiteral(", current preset unchanged: ") +
                   outcome(currentKept));
    // A store or delete whose answer was lost may still have been carried out: unless the
    // slot is known to be empty again, the user's device may keep the test preset there.
    const bool slotEmptied = readAfter ? !listedName(model, *slot).has_value() : deleted;
    if (!slotEmptied) cli::printLine(QStringLiteral("slot %1 may now hold \"%2\"").arg(*slot).arg(testName));

    const bool passed = stored && listed == testName && deleted && listRestored && currentKept;
    cli::printLine(passed ? QStringLiteral("PRESETS PASSED") : QStringLiteral("PRESETS FAILED"));
    box.finish(passed ? 0 : 1);
}

}  // namespace hwtest
