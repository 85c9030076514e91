#include "diagnostics/HIDDeviceInfo.h"

#include <QHashFunctions>

HIDDeviceInfo::HIDDeviceInfo(const hid::DeviceProperties& device)
    : id(device.id),
      vendorID(device.vendorID),
      productID(device.productID),
      manufacturer(device.manufacturer.value_or(QString())),
      product(device.product.value_or(QString())),
      serial(device.serial.value_or(QString())),
      usagePage(device.usagePage),
      usage(device.usage),
      transport(device.transport.value_or(QString())),
      maxInputReport(device.maxInputReport),
      maxOutputReport(device.maxOutputReport),
      maxFeatureReport(device.maxFeatureReport) {}

size_t qHash(const HIDDeviceInfo& info, size_t seed) {
    return qHashMulti(seed, info.id, info.vendorID, info.productID, info.manufacturer, info.product,
                      info.serial, info.usagePage, info.usage, info.transport, info.maxInputReport,
                      info.maxOutputReport, info.maxFeatureReport);
}
