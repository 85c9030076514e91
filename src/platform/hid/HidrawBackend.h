#pragma once

#include <QString>
#include <QTimer>

#include "platform/hid/HidBackend.h"

class QSocketNotifier;

namespace hid {

// The system's HID devices through Linux hidraw: listed from
// <sysfs>/class/hidraw, opened as <dev>/hidrawN, and watched for hot-plug by
// inotify on the device directory. Both roots are arguments so tests can use
// a temporary tree.
class HidrawBackend : public Backend {
    Q_OBJECT
public:
    explicit HidrawBackend(QString sysfsRoot = "/sys", QString deviceRoot = "/dev",
                           QObject* parent = nullptr);
    ~HidrawBackend() override;

    // Reads the device list again and reports what came and went.
    void rescan();

protected:
    OpenResult openDevice(const DeviceProperties& device) override;

private:
    QList<DeviceProperties> scan() const;
    std::optional<DeviceProperties> readDevice(const QString& nodeName) const;
    void watchDeviceDirectory();
    void readWatchEvents();

    QString sysfsRoot_;
    QString deviceRoot_;
    int inotify_ = -1;
    QSocketNotifier* watcher_ = nullptr;
    QTimer settle_;
};

}  // namespace hid
