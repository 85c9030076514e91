#pragma once

#include <functional>

namespace kestrel_test {

// Spins the main loop until the condition holds; the bound only keeps a broken test from
// hanging. True when the condition held.
bool spinUntil(const std::function<bool()>& condition, double boundSeconds = 10);

}  // namespace kestrel_test
