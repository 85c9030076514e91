#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <memory>
#include <optional>

#include "diagnostics/HIDDeviceInfo.h"
#include "platform/hid/HidBackend.h"

class TrafficLog;

// The HID explorer of the diagnostics console: lists the computer's HID
// devices, opens one, logs its input reports and sends output reports typed
// by the user, everything under "USB" in the traffic log. Main thread only.
class HIDTransport : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<HIDDeviceInfo> devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(bool showAll READ showAll WRITE setShowAll NOTIFY showAllChanged)
public:
    explicit HIDTransport(TrafficLog& log, hid::Backend& backend, QObject* parent = nullptr);
    // The application's explorer: the shared log and the default backend.
    explicit HIDTransport(QObject* parent = nullptr);
    ~HIDTransport() override;

    // The listed devices, the known device first.
    const QList<HIDDeviceInfo>& devices() const { return devices_; }
    std::optional<quint64> openDeviceID() const { return openDeviceID_; }
    bool showAll() const { return showAll_; }
    void setShowAll(bool showAll);

    void refresh();
    // Opens a listed device, closing the open one first.
    void open(const HIDDeviceInfo& device);
    void close();
    // One output report to the open device, filled with zero bytes up to
    // `padLength` when it is shorter (never cut).
    void send(const QByteArray& bytes, int reportID, std::optional<int> padLength = std::nullopt);
    // The bytes an output report of the open device carries after its report
    // id, which send() puts in front by itself: the largest output report's
    // size, less the id byte it counts when the device numbers its reports.
    // 0 with nothing open.
    int outputReportDataSize() const;

    static bool isKnownDevice(const HIDDeviceInfo& device);
    static bool compareDevices(const HIDDeviceInfo& a, const HIDDeviceInfo& b);

Q_SIGNALS:
    void devicesChanged();
    void openDeviceIDChanged();
    void showAllChanged();

private:
    bool isListed(const HIDDeviceInfo& device) const;
    void handleInputReport(quint8 reportID, const QByteArray& report);
    void setOpenDeviceID(std::optional<quint64> id);
    void postRefresh();

    TrafficLog& log_;
    hid::Backend& backend_;
    QList<HIDDeviceInfo> devices_;
    std::optional<quint64> openDeviceID_;
    bool showAll_ = false;
    QSet<quint64> refs_;  // ids of the listed devices, the ones that can be opened
    std::unique_ptr<hid::Device> openDevice_;
};
