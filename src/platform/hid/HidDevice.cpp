#include "platform/hid/HidDevice.h"

#include <fcntl.h>
#include <unistd.h>
#include <QMetaObject>
#include <QSocketNotifier>
#include <cerrno>

#include "platform/hid/ReportDescriptor.h"

namespace hid {

namespace {

// Larger than any report a hidraw node hands out, so no read is cut short.
constexpr int ReadBufferSize = 16384;

}  // namespace

void applyReportDescriptor(DeviceProperties& properties, const QByteArray& descriptor) {
    const auto info = parseReportDescriptor(
        {reinterpret_cast<const uint8_t*>(descriptor.constData()), size_t(descriptor.size())});
    properties.reportDescriptor = descriptor;
    properties.usagePage = info.usagePage;
    properties.usage = info.usage;
    properties.maxInputReport = info.maxInputReport;
    properties.maxOutputReport = info.maxOutputReport;
    properties.maxFeatureReport = info.maxFeatureReport;
    properties.numberedReports = info.numberedReports;
}

Device::Device(int fd, DeviceProperties properties, QObject* parent)
    : QObject(parent), fd_(fd), properties_(std::move(properties)) {
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Device::readReport);
}

Device::~Device() {
    closeDescriptor();
}

int Device::sendOutputReport(quint8 reportId, const QByteArray& bytes) {
    if (fd_ < 0) return ENODEV;
    QByteArray framed;
    framed.reserve(bytes.size() + 1);
    framed.append(char(reportId));
    framed.append(bytes);
    return writeReport(framed);
}

int Device::writeReport(const QByteArray& framed) {
    ssize_t written;
    do {
        written = ::write(fd_, framed.constData(), size_t(framed.size()));
    } while (written < 0 && errno == EINTR);
    if (written < 0) return errno;
    return written == framed.size() ? 0 : EIO;
}

void Device::close() {
    closeDescriptor();
}

void Device::readReport() {
    char buffer[ReadBufferSize];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (count <= 0) {
        // A vanished device keeps its descriptor readable forever; leaving it
        // open would spin the event loop.
        closeDescriptor();
        QMetaObject::invokeMethod(this, &Device::removed, Qt::QueuedConnection);
        return;
    }
    const QByteArray report(buffer, count);
    const quint8 reportId = properties_.numberedReports ? quint8(report.at(0)) : 0;
    Q_EMIT inputReport(reportId, report);
}

void Device::closeDescriptor() {
    if (fd_ < 0) return;
    notifier_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace hid
