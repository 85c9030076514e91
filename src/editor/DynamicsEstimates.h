#pragma once

#include "link/DSPModel.h"

// What the dynamics blocks do to a level, estimated for display: the device
// reports only the channel's level, never its gain reduction.
namespace dynamics {

// A muted channel is taken as silent.
constexpr float mutedLevel = -90.0f;

float compressorReduction(const DSPModel::Compressor& c, float level);
float limiterReduction(const DSPModel::Limiter& l, float level);
float gateReduction(bool on, float threshold, float level);
// Positive boosts, negative cuts.
float deqGainChange(const DSPModel::DEQBand& band, float level);
bool boosts(DEQMode mode);

// The channel's level for the compressor, limiter and gate panels.
float channelLevel(const DSPModel& model, int ch);
// The level the limiter sees: what the compressor lets through from `level`, whether it is on
// or not. NaN unless the device reported the compressor's settings and its switch.
float limiterInput(const DSPModel& model, int ch, float level);

}  // namespace dynamics
