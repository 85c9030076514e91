#pragma once

#include <bit>

#include "link/DSPModel.h"

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

}  // namespace channelwords
