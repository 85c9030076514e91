// The command-line walk and its value readers over arbitrary argument lists:
// the input is split at line feeds into arguments.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "cli/ArgumentWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList arguments;
    for (const QByteArray& piece : bytes.split('\n')) arguments << QString::fromUtf8(piece);

    const cli::WalkOutcome outcome = cli::walkArguments(arguments);
    if (const auto* call = std::get_if<cli::CommandCall>(&outcome)) {
        for (int channel : call->channels) {
            if (channel < 0 || channel > 11) std::abort();
        }
        if (call->channel < 0 || call->channel > 11) std::abort();
    } else if (const auto* settings = std::get_if<cli::ReportToolSettings>(&outcome)) {
        for (const QByteArray& buffer : settings->sends) {
            if (buffer.isEmpty()) std::abort();
        }
    } else if (std::get<cli::UsageError>(outcome).status != 2) {
        std::abort();
    }
    return 0;
}
