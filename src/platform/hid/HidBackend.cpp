#include "platform/hid/HidBackend.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <cerrno>

#include "platform/hid/HidrawBackend.h"

namespace hid {

std::optional<DeviceProperties> Backend::find(quint64 id) const {
    for (const auto& device : devices_) {
        if (device.id == id) return device;
    }
    return std::nullopt;
}

OpenResult Backend::open(quint64 id) {
    const auto device = find(id);
    if (!device) return {nullptr, ENODEV};
    OpenResult result = openDevice(*device);
    if (result.device) {
        connect(result.device.get(), &Device::removed, this, [this, id] { removeDevice(id); });
    }
    return result;
}

void Backend::addDevice(const DeviceProperties& device) {
    devices_.append(device);
    Q_EMIT deviceMatched(device);
}

void Backend::removeDevice(quint64 id) {
    const auto removed = devices_.removeIf([id](const DeviceProperties& device) { return device.id == id; });
    if (removed > 0) Q_EMIT deviceRemoved(id);
}

namespace {

QPointer<Backend> replacement;
QPointer<Backend> systemBackend;

}  // namespace

Backend& defaultBackend() {
    if (replacement) return *replacement;
    if (!systemBackend) systemBackend = new HidrawBackend("/sys", "/dev", QCoreApplication::instance());
    return *systemBackend;
}

void setDefaultBackend(Backend* backend) {
    replacement = backend;
}

QString errorCodeText(int error) {
    return QString::asprintf("0x%08X", unsigned(error));
}

}  // namespace hid
