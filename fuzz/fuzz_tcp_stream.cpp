// TCP stream framing: the first byte picks a chunk size (1 to 256). Cutting
// the stream into chunks must deliver exactly the frames that the whole
// stream in one chunk delivers, and the pending bytes must stay bounded.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "link/TCPFrameStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const qsizetype chunkSize = 1 + data[0];
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));

    TCPFrameStream whole;
    const QList<DSPFrame> expected = whole.feed(bytes);

    TCPFrameStream chunked;
    QList<DSPFrame> delivered;
    for (qsizetype offset = 0; offset < bytes.size(); offset += chunkSize) {
        delivered += chunked.feed(bytes.sliced(offset, qMin(chunkSize, bytes.size() - offset)));
        fuzzCheck(chunked.buffer().size() <= 16400, "pending bytes stay below one largest frame");
    }
    fuzzCheck(delivered == expected, "chunking does not change the frames");
    fuzzCheck(chunked.buffer() == whole.buffer(), "chunking does not change the pending bytes");
    return 0;
}
