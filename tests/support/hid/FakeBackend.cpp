#include "support/hid/FakeBackend.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>

namespace hid {

// The application's end of a fake device: an ordinary device whose sends can
// be made to fail on request.
class FakeOpenDevice : public Device {
public:
    FakeOpenDevice(int fd, DeviceProperties properties, FakeDevice* fake)
        : Device(fd, std::move(properties)), fake_(fake) {}

protected:
    int writeReport(const QByteArray& framed) override {
        const int error = fake_ ? fake_->nextSendError() : 0;
        return error != 0 ? error : Device::writeReport(framed);
    }

private:
    QPointer<FakeDevice> fake_;
};

FakeDevice::FakeDevice(FakeBackend* backend, DeviceProperties properties)
    : QObject(backend), backend_(backend), properties_(std::move(properties)) {}

FakeDevice::~FakeDevice() {
    closePeer();
}

bool FakeDevice::isOpen() const {
    if (peer_ < 0) return false;
    char probe;
    // The peer has closed when a read would give end of file; reports still
    // waiting to be read are not taken.
    const ssize_t count = ::recv(peer_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return count != 0;
}

bool FakeDevice::sendInputReport(const QByteArray& report) {
    if (peer_ < 0 || report.isEmpty()) return false;
    return ::send(peer_, report.constData(), size_t(report.size()), MSG_NOSIGNAL) == report.size();
}

QList<QByteArray> FakeDevice::takeOutputReports() {
    drain();
    return std::exchange(received_, {});
}

void FakeDevice::failSends(int successes, int error) {
    sendsBeforeFailure_ = error != 0 ? successes : -1;
    sendError_ = error;
}

void FakeDevice::unplug() {
    if (backend_) backend_->unplug(id());
}

OpenResult FakeDevice::open() {
    if (openError_ != 0) return {nullptr, openError_};
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return {nullptr, errno};
    closePeer();
    peer_ = ends[1];
    notifier_ = new QSocketNotifier(peer_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FakeDevice::drain);
    return {std::make_unique<FakeOpenDevice>(ends[0], properties_, this), 0};
}

int FakeDevice::nextSendError() {
    if (sendsBeforeFailure_ < 0) return 0;
    if (sendsBeforeFailure_ > 0) {
        --sendsBeforeFailure_;
        return 0;
    }
    return sendError_;
}

void FakeDevice::drain() {
    char buffer[16384];
    while (peer_ >= 0) {
        const ssize_t count = ::recv(peer_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count > 0) {
            received_.append(QByteArray(buffer, count));
            Q_EMIT outputReport(received_.last());
            continue;
        }
        // The application closed its end: this side is done as well.
        if (count == 0 || (errno != EAGAIN && errno != EINTR)) closePeer();
        break;
    }
}

void FakeDevice::closePeer() {
    if (peer_ < 0) return;
    // Possibly called from the notifier's own signal.
    notifier_->setEnabled(false);
    notifier_->deleteLater();
    notifier_ = nullptr;
    ::close(peer_);
    peer_ = -1;
}

FakeDevice* FakeBackend::plug(DeviceProperties properties) {
    if (properties.id == 0) properties.id = ++nextId_;
    if (properties.path.isEmpty()) properties.path = QString("fake:%1").arg(properties.id);
    auto* fake = new FakeDevice(this, properties);
    fakes_.append(fake);
    addDevice(properties);
    return fake;
}

FakeDevice* FakeBackend::plug(int vendorID, int productID, const QByteArray& descriptor,
                              std::optional<QString> manufacturer, std::optional<QString> product) {
    DeviceProperties properties;
    properties.vendorID = vendorID;
    properties.productID = productID;
    properties.manufacturer = std::move(manufacturer);
    properties.product = std::move(product);
    properties.transport = "USB";
    applyReportDescriptor(properties, descriptor);
    return plug(properties);
}

FakeDevice* FakeBackend::device(quint64 id) const {
    for (auto* fake : fakes_) {
        if (fake->id() == id) return fake;
    }
    return nullptr;
}

void FakeBackend::unplug(quint64 id) {
    FakeDevice* fake = device(id);
    if (!fake) return;
    fakes_.removeOne(fake);
    fake->closePeer();
    fake->deleteLater();
    removeDevice(id);
}

OpenResult FakeBackend::openDevice(const DeviceProperties& device) {
    FakeDevice* fake = this->device(device.id);
    return fake ? fake->open() : OpenResult{nullptr, ENODEV};
}

}  // namespace hid
