#pragma once

#include <QByteArray>

namespace kestrel_test {

// Report descriptors of typical devices, byte for byte as devices send them.

// Vendor page 0xFF00, usage 1: one 64-byte input and one 64-byte output report
// (the shape of the DSP).
QByteArray vendor64Descriptor();
// Boot keyboard: 8-byte input, 1-byte LED output.
QByteArray keyboardDescriptor();
// Boot mouse: 3 buttons and X/Y in a physical collection, 3-byte input.
QByteArray mouseDescriptor();
// Numbered reports under an extended usage (consumer page, usage 1):
// input 1 (8 bytes), input 2 (32), output 2 (16), feature 3 (4).
QByteArray numberedDescriptor();

}  // namespace kestrel_test
