#include "cli/Console.h"

#include <cstdio>
#include <utility>

namespace cli {

namespace {

ConsoleSink& currentSink() {
    static ConsoleSink sink;
    return sink;
}

void emit(Stream stream, const QByteArray& bytes) {
    if (const ConsoleSink& sink = currentSink()) {
        sink(stream, bytes);
        return;
    }
    std::FILE* file = stream == Stream::out ? stdout : stderr;
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file);
    std::fflush(file);
}

}  // namespace

ConsoleSink setConsoleSink(ConsoleSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

void printLine(const QString& text) {
    emit(Stream::out, (text + QLatin1Char('\n')).toUtf8());
}

void printError(const QString& text) {
    emit(Stream::error, text.toUtf8());
}

}  // namespace cli
