// The two primitives every edit passes through (words, write) and the editing
// operations built on them: groups, channel copy, the EQ clipboard, flat EQ, EQ bypass
// and channel names.
#include <algorithm>

#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/DeviceText.h"
#include "link/Levels.h"
#include "link/ParamWords.h"
#include "platform/Tasks.h"

namespace {

bool isInput(int ch) {
    return ch < 4;
}
int bandCount(int ch) {
    return isInput(ch) ? 15 : 10;
}
quint32 highPassParam(int ch) {
    return 154 + quint32(ch);
}
quint32 lowPassParam(int ch) {
    return 166 + quint32(ch);
}
quint32 channelNameParam(int ch) {
    return 378 + quint32(ch);
}

constexpr quint16 eqBypassCommand = 48;
constexpr quint16 eqRestoreCommand = 49;

}  // namespace

DSPModel::Words DSPModel::words(quint32 number, int minimumCount) const {
    Words stored = params_.value(number);
    if (stored.size() < minimumCount) stored.resize(minimumCount, 0);
    return stored;
}

bool DSPModel::reported(quint32 number) const {
    const auto stored = params_.constFind(number);
    return stored != params_.constEnd() && paramwords::isWhole(number, *stored);
}

std::optional<QString> DSPModel::unshowable(quint32 number) const {
    if (!reported(number)) return std::nullopt;
    const std::optional<QString> why = paramwords::unshowable(number, params_.value(number));
    if (!why) return std::nullopt;
    return QStringLiteral(
               "The DSP sent a value no control can hold, so it is shown as unknown and "
               "cannot be changed here until the DSP sends a valid one. ") +
           *why;
}

bool DSPModel::holds(quint32 number) const {
    return reported(number) && !paramwords::unshowable(number, params_.value(number));
}

std::optional<DSPModel::Words> DSPModel::heldWords(quint32 number, int minimumCount) const {
    if (!holds(number)) return std::nullopt;
    return words(number, minimumCount);
}

int DSPModel::unreadCount() const {
    const auto& all = ParamMap::allParameters();
    return int(std::count_if(all.begin(), all.end(), [this](quint32 number) { return !reported(number); }));
}

void DSPModel::write(quint32 number, const Words& w, std::optional<int> count, bool propagate) {
    // An edit that reaches no device changes nothing: the table, and all drawn or saved from
    // it, stays the device's.
    if (!mayWrite()) return;
    storeParam(number, w);
    if (!demo_) {
        const qsizetype sent = count ? std::clamp<qsizetype>(*count, 0, w.size()) : w.size();
        link_->writeParam(number, w.first(sent));
    }
    if (!propagate) return;
    // Only the per-channel blocks are shared by a group: names, routing, sources and
    // FIR settings are not found by locate and so never propagate.
    const auto located = ParamMap::locate(number);
    if (!located) return;
    const auto [ch, block] = *located;
    for (int member : groupMembers(ch)) {
        if (member == ch) continue;
        // A member's block the device never reported is left alone: the group's words would
        // replace flags and kept words of its own that nobody has seen.
        if (const auto memberNumber = ParamMap::param(block, member); memberNumber && holds(*memberNumber))
            write(*memberNumber, w, std::nullopt, false);
    }
}

QList<int> DSPModel::groupMembers(int ch) const {
    const auto group = groupOf_.constFind(ch);
    if (group == groupOf_.constEnd()) return {ch};
    QList<int> members;
    for (auto it = groupOf_.constBegin(); it != groupOf_.constEnd(); ++it)
        if (it.value() == *group && isInput(it.key()) == isInput(ch)) members.append(it.key());
    std::sort(members.begin(), members.end());
    return members;
}

void DSPModel::setGroup(int ch, std::optional<int> group) {
    if (!group) {
        groupOf_.remove(ch);
        Q_EMIT groupsChanged();
        return;
    }
    std::optional<int> leader;
    for (auto it = groupOf_.constBegin(); it != groupOf_.constEnd(); ++it) {
        if (it.value() == *group && isInput(it.key()) == isInput(ch)) {
            leader = it.key();  // keys ascend, so the first is the lowest
            break;
        }
    }
    groupOf_.insert(ch, *group);
    Q_EMIT groupsChanged();
    // A channel that founds a group keeps its own settings.
    if (leader) copyChannelSettings(*leader, ch);
}

void DSPModel::copyChannelSettings(int from, int to) {
    if (from == to || isInput(from) != isInput(to)) return;
    for (const ParamMap::Block& block : ParamMap::blocks(from)) {
        const auto source = ParamMap::param(block, from);
        const auto target = ParamMap::param(block, to);
        if (!source || !target || !holds(*source) || !holds(*target)) continue;
        write(*target, params_.value(*source), std::nullopt, false);
    }
}

bool DSPModel::canCopyEQ(int ch) const {
    if (holds(highPassParam(ch)) || holds(lowPassParam(ch))) return true;
    for (int b = 0; b < bandCount(ch); ++b)
        if (holds(ParamMap::eqBandParam(ch, b))) return true;
    return false;
}

void DSPModel::copyEQ(int ch) {
    if (!canCopyEQ(ch)) return;
    EQClipboard clip{isInput(ch), {}, heldWords(highPassParam(ch), 2), heldWords(lowPassParam(ch), 2)};
    for (int b = 0; b < bandCount(ch); ++b) clip.bands.append(heldWords(ParamMap::eqBandParam(ch, b), 4));
    eqClipboard_ = std::move(clip);
    Q_EMIT eqClipboardChanged();
}

bool DSPModel::canPasteEQ(int ch) const {
    return eqClipboard_ && eqClipboard_->isInput == isInput(ch);
}

QStringList DSPModel::pasteEQ(int ch) {
    if (!canPasteEQ(ch)) return {};
    // Copied so that writes (which notify views) cannot change the clipboard under us.
    const EQClipboard clip = *eqClipboard_;
    QStringList leftAlone;
    // A part of the target the device never reported is left alone, as Copy to leaves it: what
    // it holds is not known, so neither is what the paste would change there. One holding a
    // value no control can show takes the copied words whole, as a flat EQ resets it.
    auto paste = [&](quint32 number, const std::optional<Words>& w, const QString& part) {
        if (!w) return;
        if (reported(number))
            write(number, *w);
        else
            leftAlone.append(part);
    };
    for (int b = 0; b < clip.bands.size() && b < bandCount(ch); ++b)
        paste(ParamMap::eqBandParam(ch, b), clip.bands[b], QStringLiteral("band %1").arg(b + 1));
    paste(highPassParam(ch), clip.hp, QStringLiteral("the high-pass filter"));
    paste(lowPassParam(ch), clip.lp, QStringLiteral("the low-pass filter"));
    return leftAlone;
}

void DSPModel::flatEQ(int ch) {
    static constexpr quint32 centres[] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    const quint32 zeroDB = levels::bits(0.0f);
    const quint32 q3 = levels::bits(3.0f);
    for (int b = 0; b < bandCount(ch); ++b) {
        // A band the device never reported is left alone: what it holds is not known, so
        // neither is what a reset would change there. One holding a value no control could
        // show is reset like any other: the reset sends whole words of its own.
        const quint32 number = ParamMap::eqBandParam(ch, b);
        if (!reported(number)) continue;
        // Bands beyond the tenth exist on inputs only; they are parked off at 20 kHz.
        const Words w = b < 10 ? Words{centres[b], zeroDB, q3, 0} : Words{20000, zeroDB, q3, 0x100};
        write(number, w);
    }
}

void DSPModel::setEQBypass(int ch, bool bypassed) {
    for (int member : groupMembers(ch)) {
        if (isInput(member)) continue;
        if (bypassed) {
            eqBypassed_.insert(member);
        } else {
            eqBypassed_.remove(member);
        }
        if (demo_) continue;
        // One task per member; they reach the link's queue in member order.
        QPointer<DSPConnection> link(link_);
        const quint16 command = bypassed ? eqBypassCommand : eqRestoreCommand;
        const Words w{0, quint32(member - 3)};
        tasks::startTask([link, command, w]() -> QCoro::Task<> {
            if (link) co_await link->send(command, w);
        });
    }
    Q_EMIT eqBypassChanged();
}

QString DSPModel::channelName(int ch) const {
    const QString stored = DSPFrame::unpackString(params_.value(channelNameParam(ch)));
    if (!stored.isEmpty()) return stored;
    if (isInput(ch)) return QStringLiteral("IN ") + QChar(u'A' + ch);
    return QStringLiteral("OUT %1").arg(ch - 3);
}

void DSPModel::setChannelName(int ch, const QString& name) {
    const TextField& field = TextField::channelName;
    write(channelNameParam(ch), DSPFrame::packString(field.fit(name), field.words), std::nullopt, false);
}
