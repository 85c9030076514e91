#pragma once

#include <QWidget>

struct HIDDeviceInfo;
class HIDTransport;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The USB tab: the HID explorer's device list with Open and Close, and a
// sender of hand-typed output reports to the open device.
class USBPanel : public QWidget {
    Q_OBJECT
public:
    explicit USBPanel(HIDTransport& hid, QWidget* parent = nullptr);

    QCheckBox* showAllToggle() const { return showAll_; }
    QLineEdit* hexField() const { return hex_; }
    QLineEdit* reportIDField() const { return reportID_; }
    QCheckBox* padToggle() const { return pad_; }
    QPushButton* sendButton() const { return send_; }
    QLabel* emptyText() const { return emptyText_; }
    // One row per listed device, in the list's order.
    QList<QWidget*> deviceRows() const;

    // The hex bytes to the open device with the typed report id, padded to
    // its output report's data size when Pad is on; does nothing on bad hex.
    void sendReport();

    // The second and third lines of a device row.
    static QString identityLine(const HIDDeviceInfo& device);
    static QString reportsLine(const HIDDeviceInfo& device);

private:
    QWidget* buildHeader();
    QWidget* buildDeviceList();
    QWidget* buildSender();
    QWidget* deviceRow(const HIDDeviceInfo& device);
    void rebuildRows();
    void updateSendEnabled();

    HIDTransport& hid_;
    QCheckBox* showAll_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    QLabel* emptyText_ = nullptr;
    QLineEdit* hex_ = nullptr;
    QLineEdit* reportID_ = nullptr;
    QCheckBox* pad_ = nullptr;
    QPushButton* send_ = nullptr;
};
