#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

class QSocketNotifier;

namespace hid {

// What the system tells about one HID device, read once when it is found.
// Sizes follow the platform convention: a numbered report's size counts its
// report-id byte.
struct DeviceProperties {
    quint64 id = 0;  // stable for as long as the device stays attached; never 0
    int vendorID = 0;
    int productID = 0;
    std::optional<QString> manufacturer;
    std::optional<QString> product;
    std::optional<QString> serial;
    std::optional<QString> transport;  // "USB", "Bluetooth", "I2C", "SPI", "Virtual"
    int usagePage = 0;                 // of the first top-level collection
    int usage = 0;
    int maxInputReport = 0;
    int maxOutputReport = 0;
    int maxFeatureReport = 0;
    bool numberedReports = false;  // every report starts with its report-id byte
    QByteArray reportDescriptor;   // empty when the system offers none
    QString path;                  // the device node the backend opens

    bool operator==(const DeviceProperties&) const = default;
};

// Fills the descriptor-derived fields (usage page and usage, report sizes,
// numbered reports) from the raw report descriptor.
void applyReportDescriptor(DeviceProperties& properties, const QByteArray& descriptor);

// One open HID device: a non-blocking descriptor that yields one input report
// per read and takes one output report ([report id] + bytes) per write.
class Device : public QObject {
    Q_OBJECT
public:
    // Takes ownership of `fd`.
    Device(int fd, DeviceProperties properties, QObject* parent = nullptr);
    ~Device() override;

    const DeviceProperties& properties() const { return properties_; }
    quint64 id() const { return properties_.id; }
    bool isOpen() const { return fd_ >= 0; }

    // Sends one output report; report id 0 stands for an unnumbered report.
    // Returns 0, or the positive errno of the failure (ENODEV once closed).
    int sendOutputReport(quint8 reportId, const QByteArray& bytes);

    // Stops input and closes the descriptor; no removal is reported.
    void close();

Q_SIGNALS:
    // One input report as the device delivered it (numbered reports keep their
    // leading id byte); `reportId` is that byte, or 0 for unnumbered reports.
    void inputReport(quint8 reportId, const QByteArray& report);
    // The device went away (end of file or a read error). The descriptor is
    // already closed; posted, so a receiver may delete this device with deleteLater.
    void removed();

protected:
    // Writes one framed report; returns 0 or the positive errno.
    virtual int writeReport(const QByteArray& framed);

private:
    void readReport();
    void closeDescriptor();

    int fd_;
    DeviceProperties properties_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace hid
