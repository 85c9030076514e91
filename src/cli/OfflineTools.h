#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The command-line tools that need no device: the correction design on a
// measurement, the reference filter's coefficients, a coefficient file's
// summary and the network scan. Each prints its results and returns the exit
// status.
class ScanSystem;

namespace cli {

int32_t runFIRDesign(const std::optional<QString>& measurementPath);
int32_t runFIRDump();
int32_t runFIRFile(const std::optional<QString>& path);
// Blocks until the scan of the local networks has ended.
int32_t runScan(ScanSystem& system);

}  // namespace cli
