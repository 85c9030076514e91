// Preset slots of the device: the list with names, store, recall and delete.
#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/DeviceText.h"
#include "platform/Tasks.h"

namespace {

constexpr quint16 listCommand = 8;
constexpr quint16 storeCommand = 9;
constexpr quint16 recallCommand = 10;
constexpr quint16 nameCommand = 17;
constexpr quint16 deleteCommand = 18;
constexpr quint16 acknowledgeCommand = 1;

constexpr double listTimeout = 0.4;
constexpr double storeTimeout = 3.0;
constexpr double recallTimeout = 6.0;
constexpr double deleteTimeout = 3.0;

constexpr int slotCount = 31;
constexpr int firstWritableSlot = 2;  // 0 holds the live settings, 1 the defaults

bool isAcknowledge(const DSPFrame& frame) {
    return frame.command == acknowledgeCommand;
}

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [&](qsizetype i) { return text[i] == u' ' || text[i] == u'\t'; };
    while (begin < end && blank(begin)) ++begin;
    while (end > begin && blank(end - 1)) --end;
    return text.mid(begin, end - begin);
}

}  // namespace

QString presetNameText(const QString& name) {
    QString kept;
    for (char32_t scalar : name.toUcs4())
        if (scalar >= 0x20 && scalar <= 0x7F) kept.append(QChar(char16_t(scalar)));
    return kept;
}

QCoro::Task<bool> DSPModel::refreshPresets() {
    if (!connected_ || demo_) co_return false;
    const auto guard = linkGuard();
    const auto list = co_await ask(listCommand, Words(), listTimeout,
                                   [](const DSPFrame& frame) { return frame.command == listCommand; });
    if (!guard) co_return false;
    // Unanswered (or answered short), the list may have changed meanwhile, by this store or
    // delete or by another client: the one held before is no longer known to be the device's.
    if (!list || list->words.size() < 3) {
        forgetPresets();
        co_return false;
    }
    const quint32 mask = list->words[1];
    currentPreset_ = int(list->words[2]);
    Q_EMIT currentPresetChanged();

    QList<PresetSlot> slots;
    for (int slot = 0; slot < slotCount; ++slot) {
        if ((mask & (1u << slot)) == 0) continue;
        const Words request{quint32(slot), 0, 0, 0, 0, 0};
        const auto answer = co_await ask(nameCommand, request, listTimeout, [slot](const DSPFrame& frame) {
            return frame.command == nameCommand && !frame.words.isEmpty() && frame.words[0] == quint32(slot);
        });
        if (!guard) co_return false;
        QString name = answer ? trimSpacesAndTabs(DSPFrame::unpackString(answer->words.mid(1))) : QString();
        // A lost answer leaves the name unknown, not empty: no made-up name stands for it.
        if (answer && name.isEmpty()) name = QStringLiteral("(unnamed)");
        slots.append({slot, name, answer.has_value()});
    }
    presets_ = std::move(slots);
    Q_EMIT presetsChanged();
    co_return true;
}

QCoro::Task<bool> DSPModel::storePreset(int slot, QString name) {
    if (slot < firstWritableSlot || demo_) co_return false;
    const auto guard = linkGuard();
    setPresetBusy(true);
    const QString text = presetNameText(name)
                             .left(TextField::presetName.width)
                             .leftJustified(TextField::presetName.width, u' ');
    const Words w = Words{quint32(slot)} + DSPFrame::packString(text, TextField::presetName.words);
    const bool stored = (co_await ask(storeCommand, w, storeTimeout, isAcknowledge)).has_value();
    if (guard) co_await refreshPresets();
    // Busy ends with the operation, also when its link ended first.
    if (guard.get()) setPresetBusy(false);
    co_return stored;
}

QCoro::Task<bool> DSPModel::recallPreset(int slot) {
    // A negative slot has no word form; the device is never asked about it.
    if (demo_ || slot < 0) co_return false;
    const auto guard = linkGuard();
    setPresetBusy(true);
    const bool recalled =
        (co_await ask(recallCommand, Words(1, quint32(slot)), recallTimeout, isAcknowledge)).has_value();
    if (recalled && guard) co_await loadSettings();
    if (guard) co_await refreshPresets();
    if (guard.get()) setPresetBusy(false);
    co_return recalled;
}

QCoro::Task<bool> DSPModel::deletePreset(int slot) {
    if (slot < firstWritableSlot || slot >= 32 || demo_) co_return false;
    const auto guard = linkGuard();
    setPresetBusy(true);
    const bool deleted =
        (co_await ask(deleteCommand, Words(1, 1u << slot), deleteTimeout, isAcknowledge)).has_value();
    if (guard) co_await refreshPresets();
    if (guard.get()) setPresetBusy(false);
    co_return deleted;
}
