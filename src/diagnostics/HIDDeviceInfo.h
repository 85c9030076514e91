#pragma once

#include <QString>
#include <QtGlobal>

#include "platform/hid/HidDevice.h"

// One HID device as the explorer lists it; absent properties read as 0 or "".
struct HIDDeviceInfo {
    quint64 id = 0;
    int vendorID = 0;
    int productID = 0;
    QString manufacturer;
    QString product;
    QString serial;
    int usagePage = 0;
    int usage = 0;
    QString transport;
    int maxInputReport = 0;
    int maxOutputReport = 0;
    int maxFeatureReport = 0;

    explicit HIDDeviceInfo(const hid::DeviceProperties& device);
    HIDDeviceInfo() = default;

    bool operator==(const HIDDeviceInfo&) const = default;
};

size_t qHash(const HIDDeviceInfo& info, size_t seed = 0);
