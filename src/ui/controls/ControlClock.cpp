#include "ui/controls/ControlClock.h"

#include <chrono>

ControlClock steadyClock() {
    return [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
}
