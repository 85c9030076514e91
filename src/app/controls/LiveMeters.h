#pragma once

#include "app/controls/Meters.h"

class MeterStore;

// A level bar bound to one channel of the meter store; a muted channel shows
// -90 dBu (nothing lit). Store updates only repaint the bar.
class LiveMeterBar : public MeterBar {
    Q_OBJECT
public:
    LiveMeterBar(MeterStore& store, int ch, QWidget* parent = nullptr);
    void setMuted(bool muted);

private:
    void follow();

    MeterStore& m_store;
    int m_ch;
    bool m_muted = false;
};

// The thin horizontal level of a sidebar row or the channel header. Its
// tooltip reports the store's level even while the channel is muted.
class LiveHorizontalMeter : public HorizontalMeter {
    Q_OBJECT
public:
    LiveHorizontalMeter(MeterStore& store, int ch, QWidget* parent = nullptr);
    void setMuted(bool muted);

private:
    void follow();

    MeterStore& m_store;
    int m_ch;
    bool m_muted = false;
};
