#include "platform/hid/HidrawBackend.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>

namespace hid {

namespace {

// udev sets a new node's permissions a moment after the node appears; the
// list is read once the burst of events has settled.
constexpr int SettleMs = 250;
// From a hidraw's HID device up to its USB device: interface, then device.
constexpr int MaxParentSteps = 3;

std::optional<QString> readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return QString::fromUtf8(file.readAll()).trimmed();
}

QMap<QString, QString> readUevent(const QString& path) {
    QMap<QString, QString> values;
    const auto text = readText(path);
    if (!text) return values;
    for (const QString& line : text->split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

std::optional<QString> transportOfBus(uint bus) {
    switch (bus) {
        case 0x03:
            return "USB";
        case 0x05:
            return "Bluetooth";
        case 0x06:
            return "Virtual";
        case 0x18:
            return "I2C";
        case 0x1C:
            return "SPI";
        default:
            return std::nullopt;
    }
}

// A stable id for one attachment: the kernel numbers each HID device it
// creates, so the canonical sysfs path changes when the device is plugged in
// again, as an attachment's identity should.
quint64 idOfPath(const QString& path) {
    quint64 hash = 0xcbf29ce484222325ull;
    for (const char byte : path.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 0x100000001b3ull;
    }
    return hash != 0 ? hash : 1;
}

std::optional<QString> nonEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

// HID_ID reads "bus:vendor:product" in hexadecimal.
void applyHidId(DeviceProperties& properties, const QString& hidId) {
    const QStringList parts = hidId.split(':');
    if (parts.size() != 3) return;
    properties.transport = transportOfBus(parts[0].toUInt(nullptr, 16));
    properties.vendorID = int(parts[1].toUInt(nullptr, 16) & 0xFFFF);
    properties.productID = int(parts[2].toUInt(nullptr, 16) & 0xFFFF);
}

}  // namespace

HidrawBackend::HidrawBackend(QString sysfsRoot, QString deviceRoot, QObject* parent)
    : Backend(parent), sysfsRoot_(std::move(sysfsRoot)), deviceRoot_(std::move(deviceRoot)) {
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, &HidrawBackend::rescan);
    for (const auto& device : scan()) addDevice(device);
    watchDeviceDirectory();
}

HidrawBackend::~HidrawBackend() {
    delete watcher_;
    if (inotify_ >= 0) ::close(inotify_);
}

void HidrawBackend::rescan() {
    const QList<DeviceProperties> now = scan();
    for (const auto& known : devices()) {
        const bool stays =
            std::any_of(now.begin(), now.end(), [&](const auto& d) { return d.id == known.id; });
        if (!stays) removeDevice(known.id);
    }
    for (const auto& device : now) {
        if (!find(device.id)) addDevice(device);
    }
}

OpenResult HidrawBackend::openDevice(const DeviceProperties& device) {
    const int fd = ::open(QFile::encodeName(device.path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {nullptr, errno};
    return {std::make_unique<Device>(fd, device), 0};
}

QList<DeviceProperties> HidrawBackend::scan() const {
    QStringList names = QDir(sysfsRoot_ + "/class/hidraw").entryList({"hidraw*"}, QDir::Dirs | QDir::System);
    // The kernel's numbering is the order of attachment.
    const auto number = [](const QString& name) { return name.mid(6).toUInt(); };
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return number(a) < number(b); });
    QList<DeviceProperties> devices;
    for (const QString& name : names) {
        if (auto device = readDevice(name)) devices.append(*device);
    }
    return devices;
}

std::optional<DeviceProperties> HidrawBackend::readDevice(const QString& nodeName) const {
    const QString node = deviceRoot_ + "/" + nodeName;
    const QString hidDir =
        QFileInfo(sysfsRoot_ + "/class/hidraw/" + nodeName + "/device").canonicalFilePath();
    // A device without its node (not yet created, or already gone) cannot be used.
    if (hidDir.isEmpty() || !QFileInfo::exists(node)) return std::nullopt;

    DeviceProperties device;
    device.id = idOfPath(hidDir);
    device.path = node;
    const auto uevent = readUevent(hidDir + "/uevent");
    applyHidId(device, uevent.value("HID_ID"));
    QFile descriptor(hidDir + "/report_descriptor");
    if (descriptor.open(QIODevice::ReadOnly)) applyReportDescriptor(device, descriptor.readAll());

    // The strings live with the USB device, a few levels up; other buses only
    // have the kernel's name and unique id for the HID device.
    const QString root = QFileInfo(sysfsRoot_).canonicalFilePath();
    QDir parent(hidDir);
    for (int step = 0; step < MaxParentSteps && parent.cdUp() && parent.path().startsWith(root + "/");
         ++step) {
        if (!QFileInfo::exists(parent.filePath("idVendor"))) continue;
        device.manufacturer = readText(parent.filePath("manufacturer"));
        device.product = readText(parent.filePath("product"));
        device.serial = readText(parent.filePath("serial"));
        break;
    }
    if (!device.product) device.product = nonEmpty(uevent.value("HID_NAME"));
    if (!device.serial) device.serial = nonEmpty(uevent.value("HID_UNIQ"));
    return device;
}

void HidrawBackend::watchDeviceDirectory() {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) return;
    const uint32_t events = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;
    if (::inotify_add_watch(inotify_, QFile::encodeName(deviceRoot_).constData(), events) < 0) {
        ::close(inotify_);
        inotify_ = -1;
        return;
    }
    watcher_ = new QSocketNotifier(inotify_, QSocketNotifier::Read, this);
    connect(watcher_, &QSocketNotifier::activated, this, &HidrawBackend::readWatchEvents);
}

void HidrawBackend::readWatchEvents() {
    alignas(inotify_event) char buffer[4096];
    bool relevant = false;
    for (;;) {
        const ssize_t count = ::read(inotify_, buffer, sizeof buffer);
        if (count <= 0) break;
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && QByteArray(event->name).startsWith("hidraw")) relevant = true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    if (relevant) settle_.start();
}

}  // namespace hid
