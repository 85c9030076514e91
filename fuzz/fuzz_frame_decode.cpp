// Frame decoding of arbitrary bytes: whatever decodes must be exactly the
// bytes it came from, and the header's length must agree with the decode.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "link/DSPFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    const std::optional<qsizetype> length = DSPFrame::expectedLength(bytes);
    const std::optional<DSPFrame> frame = DSPFrame::decode(bytes);
    if (!frame) return 0;
    fuzzCheck(length.has_value() && *length <= bytes.size(), "a decoded frame had a complete header");
    fuzzCheck(frame->words.size() <= DSPFrame::maxWordCount, "word count within the limit");
    fuzzCheck(frame->encode() == bytes.first(*length), "re-encoding gives the decoded bytes");
    return 0;
}
