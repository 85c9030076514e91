#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace cli {

enum class Stream { out, error };

// Everything the command line prints passes through here, so that tests can
// run commands in-process and read what a terminal would have shown, and so that
// no control character but a line feed or tab reaches the terminal: any other
// is printed as the mark the window shows for it.
using ConsoleSink = std::function<void(Stream, const QByteArray&)>;

// Replaces the sink (an empty function restores the process's own streams);
// returns the previous one.
ConsoleSink setConsoleSink(ConsoleSink sink);

// One result line on standard output (the text on one line, and a line feed),
// flushed at once so that lines interleave in time with device traffic.
void printLine(const QString& text);

// An exact text on standard error; the caller supplies its line feed.
void printError(const QString& text);

}  // namespace cli
