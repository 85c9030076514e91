#pragma once

#include <QString>

#include "cli/Console.h"

namespace kestrel_test {

// Collects what the command line prints while it lives, instead of the
// process's standard output and error.
class CapturedConsole {
public:
    CapturedConsole();
    ~CapturedConsole();
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    QString out() const { return QString::fromUtf8(out_); }
    QString error() const { return QString::fromUtf8(error_); }
    QStringList outLines() const;

private:
    QByteArray out_;
    QByteArray error_;
    cli::ConsoleSink previous_;
};

}  // namespace kestrel_test
