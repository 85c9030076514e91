#include "console/USBPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "console/ConsoleWidgets.h"
#include "console/TypedNumbers.h"
#include "diagnostics/HIDTransport.h"
#include "link/HexText.h"
#include "platform/NumText.h"
#include "ui/accessibility/Lifetime.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

USBPanel::USBPanel(HIDTransport& hid, QWidget* parent) : QWidget(parent), hid_(hid) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(tabPageMargin, tabPageMargin, tabPageMargin, tabPageMargin);
    stack->setSpacing(8);
    stack->addWidget(buildHeader());
    stack->addWidget(buildDeviceList(), 1);
    stack->addWidget(buildSender());

    connect(&hid_, &HIDTransport::devicesChanged, this, &USBPanel::rebuildRows);
    connect(&hid_, &HIDTransport::openDeviceIDChanged, this, &USBPanel::rebuildRows);
    connect(&hid_, &HIDTransport::openDeviceIDChanged, this, &USBPanel::updateSendEnabled);
    connect(&hid_, &HIDTransport::showAllChanged, this, [this] { showAll_->setChecked(hid_.showAll()); });
    rebuildRows();
    updateSendEnabled();
}

QWidget* USBPanel::buildHeader() {
    auto* header = new QWidget(this);
    QHBoxLayout* row = headerRow(QStringLiteral("USB devices"), 0, header);
    showAll_ = new QCheckBox(QStringLiteral("Show all"), header);
    showAll_->setToolTip(QStringLiteral("Also list keyboards, mice and other standard HID devices"));
    showAll_->setChecked(hid_.showAll());
    connect(showAll_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != hid_.showAll()) hid_.setShowAll(on);
    });
    row->addWidget(showAll_);
    return header;
}

QWidget* USBPanel::buildDeviceList() {
    auto* holder = new QWidget(this);
    // The empty text stands over the (empty) list in the same grid cell.
    auto* grid = new QGridLayout(holder);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(holder);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(true);
    content->setBackgroundRole(QPalette::Base);
    rows_ = new QVBoxLayout(content);
    rows_->setContentsMargins(10, 6, 10, 6);
    rows_->setSpacing(6);
    rows_->addStretch(1);
    scroll->setWidget(content);
    grid->addWidget(scroll, 0, 0);

    emptyText_ =
        secondaryLabel(QStringLiteral("No vendor-specific USB devices.\nPlug in the DSP with a USB cable."),
                       Theme::font(Theme::bodyPx), holder);
    emptyText_->setAlignment(Qt::AlignCenter);
    grid->addWidget(emptyText_, 0, 0, Qt::AlignCenter);
    return holder;
}

QWidget* USBPanel::buildSender() {
    auto* box = new PanelGroupBox(QStringLiteral("Send output report"), this);
    hex_ = ::hexField(QStringLiteral("hex"), box, [this](const QString&) { updateSendEnabled(); });
    hex_->setPlaceholderText(QStringLiteral("Hex bytes, e.g. AA 55 01 00"));
    // Fields titled only by a placeholder are named here: to assistive
    // technology a placeholder is a description at best.
    hex_->setAccessibleName(QStringLiteral("Hex bytes"));
    hex_->setMinimumWidth(300);
    box->contentLayout()->addWidget(hex_);

    auto* row = new QHBoxLayout;
    reportID_ = new QLineEdit(QStringLiteral("0"), box);
    new FieldEdits(*reportID_);
    reportID_->setObjectName(QStringLiteral("reportID"));
    keepTyped(*reportID_);
    reportID_->setPlaceholderText(QStringLiteral("Report ID"));
    reportID_->setAccessibleName(QStringLiteral("Report ID"));
    reportID_->setFixedWidth(80);
    pad_ = new QCheckBox(QStringLiteral("Pad to report size"), box);
    pad_->setChecked(true);
    send_ = plainButton(QStringLiteral("Send"), box);
    send_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    connect(send_, &QPushButton::clicked, this, &USBPanel::sendReport);
    row->addWidget(reportID_);
    row->addWidget(pad_);
    row->addWidget(send_);
    row->addStretch(1);
    box->contentLayout()->addLayout(row);
    return box;
}

QString USBPanel::identityLine(const HIDDeviceInfo& device) {
    return device.manufacturer + QStringLiteral("  \u00B7  ") +
           numtext::format("%04X:%04X", unsigned(device.vendorID), unsigned(device.productID)) +
           QStringLiteral("  \u00B7  page 0x") + QString::number(device.usagePage, 16).toUpper();
}

QString USBPanel::reportsLine(const HIDDeviceInfo& device) {
    return numtext::format("reports in %d / out %d / feature %d bytes  \u00B7  ", device.maxInputReport,
                           device.maxOutputReport, device.maxFeatureReport) +
           device.transport;
}

QWidget* USBPanel::deviceRow(const HIDDeviceInfo& device) {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("deviceRow"));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 2, 0, 2);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    const QString deviceName = device.product.isEmpty() ? QStringLiteral("(unnamed device)") : device.product;
    auto* name = new PlainLabel(deviceName, row);
    name->setFont(Theme::font(Theme::bodyPx, QFont::Bold));
    texts->addWidget(name);
    texts->addWidget(secondaryLabel(identityLine(device), Theme::font(Theme::captionPx), row));
    texts->addWidget(secondaryLabel(reportsLine(device), Theme::font(Theme::caption2Px), row));
    line->addLayout(texts, 1);

    const bool isOpen = hid_.openDeviceID() == device.id;
    const QString caption = isOpen ? QStringLiteral("Close") : QStringLiteral("Open");
    auto* action = plainButton(caption, row);
    // Every row has this button; the spoken name says which device it opens.
    action->setAccessibleName(caption + u' ' + deviceName);
    connect(action, &QPushButton::clicked, this, [this, isOpen, device] {
        if (isOpen) {
            hid_.close();
        } else {
            hid_.open(device);
        }
    });
    line->addWidget(action, 0, Qt::AlignTop);
    return row;
}

void USBPanel::rebuildRows() {
    // A handful of devices at most: rebuilding the rows is simpler than patching them.
    while (rows_->count() > 1) {
        QLayoutItem* item = rows_->takeAt(0);
        item->widget()->hide();
        retireFromAccessibility(*item->widget());
        item->widget()->deleteLater();
        delete item;
    }
    const QList<HIDDeviceInfo>& devices = hid_.devices();
    for (qsizetype i = 0; i < devices.size(); ++i) rows_->insertWidget(int(i), deviceRow(devices[i]));
    emptyText_->setVisible(devices.isEmpty());
}

QList<QWidget*> USBPanel::deviceRows() const {
    QList<QWidget*> result;
    for (int i = 0; i < rows_->count(); ++i) {
        if (QWidget* row = rows_->itemAt(i)->widget()) result << row;
    }
    return result;
}

void USBPanel::updateSendEnabled() {
    send_->setEnabled(hid_.openDeviceID().has_value() && parseHexBytes(hex_->text()).has_value());
}

void USBPanel::sendReport() {
    const std::optional<QByteArray> bytes = parseHexBytes(hex_->text());
    if (!bytes || !hid_.openDeviceID()) return;
    const quint64 openID = *hid_.openDeviceID();
    const auto& devices = hid_.devices();
    const auto device = std::find_if(devices.begin(), devices.end(),
                                     [openID](const HIDDeviceInfo& d) { return d.id == openID; });
    if (device == devices.end()) return;
    // The listed size of a numbered report counts its id byte, which the
    // transport adds in front: padding to it would send one byte too many.
    const std::optional<int> padLength =
        pad_->isChecked() ? std::optional<int>(hid_.outputReportDataSize()) : std::nullopt;
    hid_.send(*bytes, typednumbers::reportID(reportID_->text()), padLength);
}
