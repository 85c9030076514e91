#pragma once

#include <QList>
#include <QObject>
#include <memory>
#include <optional>

#include "platform/hid/HidDevice.h"

namespace hid {

struct OpenResult {
    std::unique_ptr<Device> device;  // absent on failure
    int error = 0;                   // positive errno when opening failed
};

// Every HID device the system offers, hot-plug notifications, and opening.
// The list is complete at construction; later arrivals and departures come as
// signals on the main thread. Receivers that want to defer their reaction
// (the device link, the explorer) post it themselves.
class Backend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The current devices, in the backend's own order.
    QList<DeviceProperties> devices() const { return devices_; }
    std::optional<DeviceProperties> find(quint64 id) const;

    // Opens the listed device `id` (ENODEV when it is not listed). When the
    // open device reports end of file or a read error the backend drops it
    // from its list and emits deviceRemoved.
    OpenResult open(quint64 id);

Q_SIGNALS:
    void deviceMatched(const hid::DeviceProperties& device);
    void deviceRemoved(quint64 id);

protected:
    virtual OpenResult openDevice(const DeviceProperties& device) = 0;
    void addDevice(const DeviceProperties& device);
    void removeDevice(quint64 id);

private:
    QList<DeviceProperties> devices_;
};

// The backend the application uses: the system's hidraw devices unless a test
// put another one in place. Created on first use and owned by the application
// object.
Backend& defaultBackend();
// Replaces the default backend (not owned); nullptr goes back to the system's.
void setDefaultBackend(Backend* backend);

// Texts of the form "0x%08X" for a positive errno, as error lines show them.
QString errorCodeText(int error);

}  // namespace hid
