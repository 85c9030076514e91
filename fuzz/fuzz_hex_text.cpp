// Hex text parsing of arbitrary UTF-8: whatever parses must survive the
// formatter and parse back to the same bytes.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "link/HexText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QByteArray> bytes = parseHexBytes(text);
    if (!bytes) return 0;
    fuzzCheck(bytes->size() <= text.size(), "at most one byte per character");
    fuzzCheck(parseHexBytes(hexText(*bytes)) == bytes, "formatted bytes parse back");
    fuzzCheck(hexPairs(*bytes).join(u' ') == hexText(*bytes), "pairs and text agree");
    return 0;
}
