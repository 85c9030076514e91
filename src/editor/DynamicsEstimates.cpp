#include "editor/DynamicsEstimates.h"

#include <algorithm>
#include <cmath>

#include <limits>

#include "link/MeterStore.h"
#include "link/ParamMap.h"

namespace dynamics {

float compressorReduction(const DSPModel::Compressor& c, float level) {
    if (!c.on || level <= -84.0f) return 0;
    const float over = level - c.threshold;
    const float slope = 1 - 1 / std::fmax(c.ratio, 1.0f);
    const float knee = float(c.knee);
    if (c.knee >= 1 && std::fabs(over) <= knee / 2)
        return slope * (over + knee / 2) * (over + knee / 2) / (2 * knee);
    return over > 0 ? slope * over : 0;
}

float limiterReduction(const DSPModel::Limiter& l, float level) {
    if (!l.on || level <= -84.0f || level - l.threshold < 0) return 0;
    return level - l.threshold;
}

float gateReduction(bool on, float threshold, float level) {
    return on && level < threshold ? 24.0f : 0.0f;
}

bool boosts(DEQMode mode) {
    return mode == DEQMode::boostAbove || mode == DEQMode::boostBelow;
}

float deqGainChange(const DSPModel::DEQBand& band, float level) {
    if (!band.active) return 0;
    const float slope = 1 - 1 / std::fmax(band.ratio, 1.0f);
    const bool above = band.mode == DEQMode::boostAbove || band.mode == DEQMode::cutAbove;
    const float over =
        above ? std::max(level - band.threshold, 0.0f) : std::max(band.threshold - level, 0.0f);
    const float gain = std::min(slope * over, band.maxGain);
    return boosts(band.mode) ? gain : -gain;
}

float channelLevel(const DSPModel& model, int ch) {
    if (model.words(quint32(ch + 1), 2)[1] & 1) return mutedLevel;
    return model.meterStore().liveLevel(ch);
}

float limiterInput(const DSPModel& model, int ch, float level) {
    if (!model.holds(ParamMap::Block::compressor(), ch) || !model.holds(ParamMap::Block::compressorOff(), ch))
        return std::numeric_limits<float>::quiet_NaN();
    return level - compressorReduction(model.compressor(ch), level);
}

}  // namespace dynamics
