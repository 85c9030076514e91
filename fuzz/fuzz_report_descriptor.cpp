// Report descriptors come from whatever HID device is plugged in.
#include <cstddef>
#include <cstdint>

#include "platform/hid/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto info = hid::parseReportDescriptor({data, size});
    if (info.maxInputReport < 0 || info.maxOutputReport < 0 || info.maxFeatureReport < 0) __builtin_trap();
    return 0;
}
