#pragma once

#include <bit>

#include "link/DSPModel.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"

// What a strip reads from a channel's gain words: word 0 the gain as single
// bits, word 1 the flags (bit 0 mute, bit 8 set for normal polarity).
namespace channelwords {

inline quint32 gainParam(int ch) {
    return quint32(1 + ch);
}
inline quint32 flags(const DSPModel& dsp, int ch) {
    return dsp.words(gainParam(ch), 2)[1];
}
inline double gainDB(const DSPModel& dsp, int ch) {
    return std::bit_cast<float>(dsp.words(gainParam(ch), 2)[0]);
}
inline bool muted(const DSPModel& dsp, int ch) {
    return flags(dsp, ch) & 0x1;
}
inline bool inverted(const DSPModel& dsp, int ch) {
    return !(flags(dsp, ch) & 0x100);
}

inline quint32 nameParam(int ch) {
    return quint32(378 + ch);
}
inline bool nameRead(const DSPModel& dsp, int ch) {
    return dsp.holds(nameParam(ch));
}
// The channel itself, whatever it is named: "Input A", "Output 2".
inline QString label(int ch) {
    if (ch < 4) return QStringLiteral("Input ") + QChar(u'A' + ch);
    return QStringLiteral("Output ") + QString::number(ch - 3);
}
// The channel's name as the device reported it, on one line; "—" while it was never read,
// where the table's zeros would give a default name the device never had.
inline QString shownName(const DSPModel& dsp, int ch) {
    return nameRead(dsp, ch) ? plaintext::oneLine(dsp.channelName(ch)) : QStringLiteral("—");
}
// The same for tool tips and assistive tools, which say whose name is not read.
inline QString spokenName(const DSPModel& dsp, int ch) {
    return nameRead(dsp, ch) ? plaintext::oneLine(dsp.channelName(ch))
                             : label(ch) + QStringLiteral(", name ") + notReadText().toLower();
}
// The same as one of a list of channels parted by commas, where the comma above would read as
// a channel more: "Input A (name not read)".
inline QString listedName(const DSPModel& dsp, int ch) {
    return nameRead(dsp, ch)
               ? plaintext::oneLine(dsp.channelName(ch))
               : label(ch) + QStringLiteral(" (name ") + notReadText().toLower() + QLatin1Char(')');
}

}  // namespace channelwords
