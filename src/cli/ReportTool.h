#pragma once

#include <cstdint>

#include "cli/ArgumentWalk.h"

namespace hid {
class Backend;
}

namespace cli {

// The raw HID report tool: lists every HID device, or opens the one with the
// settings' vendor and product numbers, sends each buffer as output reports
// byte for byte and prints every input report that arrives while it waits.
// No frame encoding is involved. Returns 0, or 1 when the device is missing or
// cannot be opened.
int32_t runReportTool(const ReportToolSettings& settings, hid::Backend& backend);

}  // namespace cli
