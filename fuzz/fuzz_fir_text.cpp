// Coefficient files as the FIR tab and the command line read them: text in
// either encoding, and WAV whenever the bytes begin like one.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "fir/FIRFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const FIRFile::Result result = FIRFile::decode(bytes, QStringLiteral("fuzz"));
    if (const auto* loaded = std::get_if<FIRFile::Loaded>(&result)) {
        if (loaded->coefficients.size() != 256 && loaded->coefficients.size() != 512) __builtin_trap();
        // Binary data is never taken for text: bytes with a NUL load only as WAV.
        const bool wav = bytes.size() >= 13 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE";
        if (!wav && bytes.contains('\0')) __builtin_trap();
    }
    return 0;
}
