#pragma once

#include <cstdint>
#include <span>

namespace hid {

// What the rest of the system needs from a HID report descriptor.
struct ReportDescriptorInfo {
    int usagePage = 0;  // of the first top-level collection
    int usage = 0;
    int maxInputReport = 0;  // bytes, a numbered report's id byte included
    int maxOutputReport = 0;
    int maxFeatureReport = 0;
    bool numberedReports = false;

    bool operator==(const ReportDescriptorInfo&) const = default;
};

// Parses descriptor bytes from a device; never fails (a truncated or malformed
// descriptor yields what could be read before the fault).
ReportDescriptorInfo parseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace hid
