#include "ui/controls/LiveMeters.h"

#include <cmath>

namespace {

constexpr float kMutedLevel = -90;

float shownLevel(float stored, bool live, bool muted) {
    if (muted) return kMutedLevel;
    return live ? stored : MeterStore::silent;
}

}  // namespace

void showChannelLevel(MeterBar& meter, float stored, bool live, bool muted) {
    meter.setLevel(shownLevel(stored, live, muted));
}

void showChannelLevel(HorizontalMeter& meter, float stored, bool live, bool muted) {
    meter.setToolTip(std::isnan(stored) ? QStringLiteral("Level unknown")
                                        : QString::asprintf("Level %.1f dB", stored));
    meter.setLevel(shownLevel(stored, live, muted));
}
