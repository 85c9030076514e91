#include "CapturedConsole.h"

#include <QStringList>

namespace kestrel_test {

CapturedConsole::CapturedConsole() {
    previous_ = cli::setConsoleSink([this](cli::Stream stream, const QByteArray& bytes) {
        (stream == cli::Stream::out ? out_ : error_).append(bytes);
    });
}

CapturedConsole::~CapturedConsole() {
    cli::setConsoleSink(previous_);
}

QStringList CapturedConsole::outLines() const {
    QStringList lines = out().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace kestrel_test
