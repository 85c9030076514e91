#pragma once

#include <QList>
#include <QPointer>

#include "platform/hid/HidBackend.h"

class QSocketNotifier;

namespace hid {

class FakeBackend;

// The device's side of one fake HID device. While the application holds it
// open the two sides are the ends of one socketpair(AF_UNIX, SOCK_SEQPACKET):
// a message is a report, and closing this end is an unplug.
class FakeDevice : public QObject {
    Q_OBJECT
public:
    ~FakeDevice() override;

    const DeviceProperties& properties() const { return properties_; }
    quint64 id() const { return properties_.id; }
    // The application holds the device open (and has not closed its end).
    bool isOpen() const;

    // Delivers one input report to the application; false when it is not open
    // or the report is empty.
    bool sendInputReport(const QByteArray& report);
    // Every output report the application has sent since the last call, each
    // as written: [report id] + bytes.
    QList<QByteArray> takeOutputReports();

    // The next open fails with `error` (a positive errno); 0 lets it succeed.
    void failOpen(int error) { openError_ = error; }
    // After `successes` more reports, every send fails with `error` (0 stops).
    void failSends(int successes, int error);

    // Closes this end (the open device sees end of file) and removes the
    // device from the backend.
    void unplug();
    // Closes this end only, like a device failing underneath an open
    // descriptor: the backend learns of it through the open device.
    void disconnectPeer() { closePeer(); }

Q_SIGNALS:
    // One output report arrived ([report id] + bytes); delivered from the event
    // loop, after which takeOutputReports() still returns it.
    void outputReport(const QByteArray& framed);

private:
    friend class FakeBackend;
    friend class FakeOpenDevice;
    FakeDevice(FakeBackend* backend, DeviceProperties properties);
    OpenResult open();
    int nextSendError();
    void drain();
    void closePeer();

    QPointer<FakeBackend> backend_;
    DeviceProperties properties_;
    int peer_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QList<QByteArray> received_;
    int openError_ = 0;
    int sendsBeforeFailure_ = -1;
    int sendError_ = 0;
};

// A backend of fake devices for tests; there is no USB on the build machines.
class FakeBackend : public Backend {
    Q_OBJECT
public:
    using Backend::Backend;

    // Attaches a device (given an id when it has none) and emits deviceMatched.
    // The fake device is owned by the backend.
    FakeDevice* plug(DeviceProperties properties);
    // Attaches a device whose descriptor-derived fields come from `descriptor`.
    FakeDevice* plug(int vendorID, int productID, const QByteArray& descriptor,
                     std::optional<QString> manufacturer = {}, std::optional<QString> product = {});
    // The fake device listed under `id`, or nullptr.
    FakeDevice* device(quint64 id) const;
    void unplug(quint64 id);

protected:
    OpenResult openDevice(const DeviceProperties& device) override;

private:
    QList<FakeDevice*> fakes_;
    quint64 nextId_ = 0x1000;
};

}  // namespace hid
