// The WAV reader on its own, so the fuzzer need not discover the RIFF prefix first.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "fir/FIRFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes("RIFF\0\0\0\0WAVE", 12);
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<FIRFile::WAV> wav = FIRFile::readWAV(bytes))
        FIRFile::finish(wav->samples, QStringLiteral("fuzz"), std::nullopt);
    return 0;
}
