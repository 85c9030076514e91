#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include "link/DSPFrame.h"

// Finds frames in a TCP byte stream that arrives in chunks of any size. Bytes
// before a magic are skipped, an invalid header costs one byte, and a frame
// that fails its checksum is dropped whole. A magic split across two chunks is
// kept until the next chunk, so no frame is lost to where the stream was cut.
class TCPFrameStream {
public:
    // Appends one received chunk and returns every frame now complete, oldest first.
    QList<DSPFrame> feed(QByteArrayView chunk);
    // Forgets everything received so far (a new link starts clean).
    void clear() { m_buffer.clear(); }

    const QByteArray& buffer() const { return m_buffer; }

private:
    QByteArray m_buffer;
};
