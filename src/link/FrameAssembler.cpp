#include "link/FrameAssembler.h"

std::optional<DSPFrame> FrameAssembler::feed(QByteArrayView report) {
    if (report.startsWith(DSPFrame::magic())) {
        m_buffer = report.toByteArray();
    } else if (m_buffer.isEmpty()) {
        return std::nullopt;
    } else {
        m_buffer.append(report);
    }
    const std::optional<qsizetype> length = DSPFrame::expectedLength(m_buffer);
    if (!length) {
        m_buffer.clear();
        return std::nullopt;
    }
    if (m_buffer.size() < *length) return std::nullopt;
    std::optional<DSPFrame> frame = DSPFrame::decode(QByteArrayView(m_buffer).first(*length));
    m_buffer.clear();
    return frame;
}
