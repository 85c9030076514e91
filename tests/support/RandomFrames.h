#pragma once

#include <QRandomGenerator>

#include "link/DSPFrame.h"

namespace kestrel_test {

// A frame with a random address, command and `wordCount` random words.
DSPFrame randomFrame(QRandomGenerator& random, int wordCount);

}  // namespace kestrel_test
