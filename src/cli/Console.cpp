#include "cli/Console.h"

#include <cstdio>
#include <utility>

#include "platform/TextMarks.h"

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

// Reports carry names and texts from the device and from files; a control character among
// them would act on the terminal (clear it, retitle it, colour what follows) instead of being
// read, and a line break would let a name print a report line of its own ("ALL PASSED").
// Every line passes here, so no command can print one.
void printLine(const QString& text) {
    emit(Stream::out, (textmarks::oneLine(text) + QLatin1Char('\n')).toUtf8());
}

// Messages bring their own line feed.
void printError(const QString& text) {
    emit(Stream::error, textmarks::keepingLines(text).toUtf8());
}

}  // namespace cli
