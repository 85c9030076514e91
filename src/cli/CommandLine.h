#pragma once

#include <QStringList>
#include <cstdint>

namespace cli {

// Runs the command-line mode with every argument after the program name and
// returns the process exit status (0 success, 1 failure, 2 usage error).
// Called on the main thread with a QCoreApplication and nothing else of the
// application in existence.
int32_t runCommandLine(const QStringList& arguments);

}  // namespace cli
