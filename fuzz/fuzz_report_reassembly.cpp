// HID report reassembly: the first byte picks a report size (1 to 64), the
// rest is cut into reports of that size. Every frame the assembler gives must
// be a well-formed frame, and its buffer must stay bounded.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "link/FrameAssembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const qsizetype reportSize = 1 + data[0] % 64;
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));
    FrameAssembler assembler;
    for (qsizetype offset = 0; offset < bytes.size(); offset += reportSize) {
        const QByteArrayView report = bytes.sliced(offset, qMin(reportSize, bytes.size() - offset));
        if (const std::optional<DSPFrame> frame = assembler.feed(report)) {
            fuzzCheck(DSPFrame::decode(frame->encode()) == frame, "a delivered frame decodes to itself");
            fuzzCheck(assembler.buffer().isEmpty(), "the buffer empties after a frame");
        }
        fuzzCheck(assembler.buffer().size() < 16400 + reportSize, "the buffer stays bounded");
    }
    return 0;
}
