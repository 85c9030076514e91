#include "app/controls/LiveMeters.h"

#include "link/MeterStore.h"

namespace {

constexpr float kMutedLevel = -90;

}  // namespace

LiveMeterBar::LiveMeterBar(MeterStore& store, int ch, QWidget* parent)
    : MeterBar(true, parent), m_store(store), m_ch(ch) {
    connect(&store, &MeterStore::levelsChanged, this, &LiveMeterBar::follow);
    follow();
}

void LiveMeterBar::setMuted(bool muted) {
    m_muted = muted;
    follow();
}

void LiveMeterBar::follow() {
    setLevel(m_muted ? kMutedLevel : m_store.levels().value(m_ch, kMutedLevel));
}

LiveHorizontalMeter::LiveHorizontalMeter(MeterStore& store, int ch, QWidget* parent)
    : HorizontalMeter(parent), m_store(store), m_ch(ch) {
    connect(&store, &MeterStore::levelsChanged, this, &LiveHorizontalMeter::follow);
    follow();
}

void LiveHorizontalMeter::setMuted(bool muted) {
    m_muted = muted;
    follow();
}

void LiveHorizontalMeter::follow() {
    const float level = m_store.levels().value(m_ch, kMutedLevel);
    setToolTip(QString::asprintf("Level %.1f dB", level));
    setLevel(m_muted ? kMutedLevel : level);
}
