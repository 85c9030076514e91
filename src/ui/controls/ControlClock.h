#pragma once

#include <functional>

// Seconds on a monotonic clock. Controls with time-dependent behaviour (meter
// ballistics, the knob's scroll delay) take one, so tests can step time.
using ControlClock = std::function<double()>;

ControlClock steadyClock();
