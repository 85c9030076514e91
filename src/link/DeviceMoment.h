#pragma once

#include <QtGlobal>

#include "platform/Tasks.h"

// The device in front of the window when something was made: which device (one on a link, the
// demo device, or none at all) on which link session. A question or a panel takes one when it
// opens and acts only while the model still stands at it: an answer given for the demo device
// must not reach the real one that took its place, nor one given for a device the next device.
// DSPModel makes them and tells whether one still holds (DSPModel::stillAt).
class DeviceMoment {
public:
    DeviceMoment() = default;

private:
    friend class DSPModel;
    DeviceMoment(quint64 device, tasks::CancelToken session, bool onLink)
        : m_device(device), m_session(std::move(session)), m_onLink(onLink) {}

    quint64 m_device = 0;
    tasks::CancelToken m_session;
    bool m_onLink = false;
};
