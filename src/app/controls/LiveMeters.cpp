#include "app/controls/LiveMeters.h"

namespace {

constexpr float kMutedLevel = -90;

}  // namespace

void showChannelLevel(MeterBar& meter, float stored, bool muted) {
    meter.setLevel(muted ? kMutedLevel : stored);
}

void showChannelLevel(HorizontalMeter& meter, float stored, bool muted) {
    meter.setToolTip(QString::asprintf("Level %.1f dB", stored));
    meter.setLevel(muted ? kMutedLevel : stored);
}
