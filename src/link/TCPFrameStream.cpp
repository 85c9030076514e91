#include "link/TCPFrameStream.h"

namespace {

// How many bytes at the end of `bytes` could be the first bytes of a magic
// that the next chunk completes.
qsizetype partialMagicAtEnd(QByteArrayView bytes) {
    const QByteArray magic = DSPFrame::magic();
    for (qsizetype n = qMin<qsizetype>(magic.size() - 1, bytes.size()); n > 0; --n) {
        if (bytes.last(n) == QByteArrayView(magic).first(n)) return n;
    }
    return 0;
}

}  // namespace

QList<DSPFrame> TCPFrameStream::feed(QByteArrayView chunk) {
    m_buffer.append(chunk);
    QList<DSPFrame> frames;
    // Consumed bytes are removed once at the end, so a large chunk costs one pass.
    qsizetype start = 0;
    while (start < m_buffer.size()) {
        const QByteArrayView rest = QByteArrayView(m_buffer).sliced(start);
        if (!rest.startsWith(DSPFrame::magic())) {
            const qsizetype found = rest.indexOf(DSPFrame::magic());
            if (found < 0) {
                start = m_buffer.size() - partialMagicAtEnd(rest);
                break;
            }
            start += found;
            continue;
        }
        const std::optional<qsizetype> length = DSPFrame::expectedLength(rest);
        if (!length) {
            if (rest.size() < DSPFrame::headerLength) break;
            // An impossible count: look for the next magic right after this one.
            start += 1;
            continue;
        }
        if (rest.size() < *length) break;
        if (std::optional<DSPFrame> frame = DSPFrame::decode(rest.first(*length))) frames.append(*frame);
        start += *length;
    }
    m_buffer.remove(0, start);
    return frames;
}
