#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

#include "link/DSPFrame.h"

// Rebuilds frames from USB HID input reports. A report that starts with the
// magic starts a new frame (dropping one under way); other reports continue
// the frame under way or are dropped when none is. Report padding and bytes
// after a frame are discarded.
class FrameAssembler {
public:
    // Adds one input report; gives the frame it completes (none while the frame
    // is incomplete, and none when its checksum fails).
    std::optional<DSPFrame> feed(QByteArrayView report);

    const QByteArray& buffer() const { return m_buffer; }

private:
    QByteArray m_buffer;
};
