#pragma once

#include "DeviceSimulator.h"

namespace simstorage {

// The preset commands (8, 9, 10, 17, 18) and the FIR block commands (128 to 135).
QHash<quint16, DeviceSimulator::Handler> handlers();

}  // namespace simstorage
