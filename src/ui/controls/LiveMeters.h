#pragma once

#include "link/MeterStore.h"
#include "ui/controls/Meters.h"

// What a live meter shows: a muted channel reads -90 dBu (nothing lit), and
// with nothing live every channel reads no signal. The horizontal meter's
// tooltip reports the stored level even while muted.
void showChannelLevel(MeterBar& meter, float stored, bool live, bool muted);
void showChannelLevel(HorizontalMeter& meter, float stored, bool live, bool muted);

// A meter bound to one channel of the meter store. Store updates only repaint it.
// Its first level already knows the mute, so a muted channel never flashes its
// live level when its page is built.
template <class Meter>
class LiveMeter : public Meter {
public:
    template <class... MeterArgs>
    LiveMeter(MeterStore& store, int ch, bool muted, MeterArgs&&... args)
        : Meter(std::forward<MeterArgs>(args)...), m_store(store), m_ch(ch), m_muted(muted) {
        QObject::connect(&store, &MeterStore::levelsChanged, this, [this] { follow(); });
        follow();
    }

    void setMuted(bool muted) {
        m_muted = muted;
        follow();
    }

private:
    void follow() { showChannelLevel(*this, m_store.levels().value(m_ch, -90), m_store.live(), m_muted); }

    MeterStore& m_store;
    int m_ch;
    bool m_muted;
};

// The level bar of a mixer strip, with the clip light.
class LiveMeterBar : public LiveMeter<MeterBar> {
public:
    LiveMeterBar(MeterStore& store, int ch, bool muted, QWidget* parent = nullptr)
        : LiveMeter(store, ch, muted, true, parent) {}
};

// The thin level of a sidebar row or the channel header.
class LiveHorizontalMeter : public LiveMeter<HorizontalMeter> {
public:
    LiveHorizontalMeter(MeterStore& store, int ch, QWidget* parent = nullptr)
        : LiveMeter(store, ch, false, parent) {}
};
