#include "diagnostics/HIDTransport.h"

#include <QMetaObject>
#include <algorithm>
#include <cerrno>

#include "link/TrafficLog.h"

namespace {

const QString Transport = QStringLiteral("USB");

QString vendorAndProduct(const HIDDeviceInfo& device) {
    return QString::asprintf("%04X:%04X", unsigned(device.vendorID), unsigned(device.productID));
}

// Standard devices that nobody wants to poke at by hand: keyboards, mice and
// other pointers, keypads, consumer controls, digitizers, and the computer
// maker's own built-in devices.
bool isStandardDevice(const HIDDeviceInfo& device) {
    if (device.vendorID == 0 || device.vendorID == 0x05AC) return true;
    if (device.manufacturer.startsWith("Apple") || device.manufacturer == "APPL") return true;
    if (device.usagePage == 0x0C || device.usagePage == 0x0D) return true;
    const int usage = device.usage;
    return device.usagePage == 1 && (usage == 1 || usage == 2 || usage == 6 || usage == 7);
}

}  // namespace

HIDTransport::HIDTransport(TrafficLog& log, hid::Backend& backend, QObject* parent)
    : QObject(parent), log_(log), backend_(backend) {
    // The backend tells of arrivals and departures; the list is read again
    // from the event loop, after the backend has finished its own work.
    connect(&backend_, &hid::Backend::deviceMatched, this, &HIDTransport::postRefresh);
    connect(&backend_, &hid::Backend::deviceRemoved, this, &HIDTransport::postRefresh);
    refresh();
}

HIDTransport::HIDTransport(QObject* parent)
    : HIDTransport(TrafficLog::shared(), hid::defaultBackend(), parent) {}

HIDTransport::~HIDTransport() = default;

void HIDTransport::setShowAll(bool showAll) {
    const bool changed = showAll_ != showAll;
    showAll_ = showAll;
    if (changed) Q_EMIT showAllChanged();
    refresh();
}

void HIDTransport::refresh() {
    refs_.clear();
    QList<HIDDeviceInfo> listed;
    for (const auto& properties : backend_.devices()) {
        const HIDDeviceInfo info(properties);
        if (!isListed(info)) continue;
        refs_.insert(info.id);
        listed.append(info);
    }
    std::stable_sort(listed.begin(), listed.end(), &HIDTransport::compareDevices);
    if (listed != devices_) {
        devices_ = listed;
        Q_EMIT devicesChanged();
    }
    if (openDeviceID_ && !refs_.contains(*openDeviceID_)) {
        log_.log(Transport, TrafficEntry::Direction::info, {}, "device unplugged");
        setOpenDeviceID(std::nullopt);
        openDevice_.reset();
    }
}

void HIDTransport::open(const HIDDeviceInfo& device) {
    close();
    if (!refs_.contains(device.id)) return;
    hid::OpenResult opened = backend_.open(device.id);
    if (!opened.device) {
        log_.log(
            Transport, TrafficEntry::Direction::info, {},
            QString("open %1 failed: %2").arg(vendorAndProduct(device), hid::errorCodeText(opened.error)));
        return;
    }
    openDevice_ = std::move(opened.device);
    connect(openDevice_.get(), &hid::Device::inputReport, this, &HIDTransport::handleInputReport);
    setOpenDeviceID(device.id);
    log_.log(Transport, TrafficEntry::Direction::info, {},
             QString("opened %1 %2 %3 \u2014 in %4 / out %5 / feature %6 bytes")
                 .arg(vendorAndProduct(device), device.manufacturer, device.product)
                 .arg(device.maxInputReport)
                 .arg(device.maxOutputReport)
                 .arg(device.maxFeatureReport));
    const QByteArray descriptor = openDevice_->properties().reportDescriptor;
    if (!descriptor.isEmpty()) {
        log_.log(Transport, TrafficEntry::Direction::info, descriptor, "HID report descriptor");
    }
}

void HIDTransport::close() {
    if (openDevice_) {
        openDevice_->close();
        log_.log(Transport, TrafficEntry::Direction::info, {}, "closed");
    }
    openDevice_.reset();
    setOpenDeviceID(std::nullopt);
}

void HIDTransport::send(const QByteArray& bytes, int reportID, std::optional<int> padLength) {
    if (!openDevice_) return;
    QByteArray report = bytes;
    if (padLength && report.size() < *padLength) report.append(*padLength - report.size(), '\0');
    // A report id is one byte on the wire; anything else cannot be sent.
    const bool validID = reportID >= 0 && reportID <= 0xFF;
    const int error = validID ? openDevice_->sendOutputReport(quint8(reportID), report) : EINVAL;
    log_.log(Transport, TrafficEntry::Direction::sent, report,
             error == 0 ? QString() : "send failed " + hid::errorCodeText(error));
}

int HIDTransport::outputReportDataSize() const {
    if (!openDevice_) return 0;
    const hid::DeviceProperties& device = openDevice_->properties();
    return std::max(0, device.maxOutputReport - (device.numberedReports ? 1 : 0));
}

bool HIDTransport::isKnownDevice(const HIDDeviceInfo& device) {
    return device.vendorID == 0x28E9 && device.productID == 0x028A;
}

bool HIDTransport::compareDevices(const HIDDeviceInfo& a, const HIDDeviceInfo& b) {
    const bool aKnown = isKnownDevice(a), bKnown = isKnownDevice(b);
    if (aKnown != bKnown) return aKnown;
    if (a.manufacturer != b.manufacturer) return a.manufacturer < b.manufacturer;
    return a.product < b.product;
}

bool HIDTransport::isListed(const HIDDeviceInfo& device) const {
    return showAll_ || isKnownDevice(device) || !isStandardDevice(device);
}

void HIDTransport::handleInputReport(quint8 reportID, const QByteArray& report) {
    log_.log(Transport, TrafficEntry::Direction::received, report,
             reportID != 0 ? QString("report %1").arg(reportID) : QString());
}

void HIDTransport::setOpenDeviceID(std::optional<quint64> id) {
    if (openDeviceID_ == id) return;
    openDeviceID_ = id;
    Q_EMIT openDeviceIDChanged();
}

void HIDTransport::postRefresh() {
    QMetaObject::invokeMethod(this, &HIDTransport::refresh, Qt::QueuedConnection);
}
