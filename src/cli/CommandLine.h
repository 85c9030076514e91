#pragma once

#include <QStringList>
#include <cstdint>

namespace cli {

// Runs the command-line mode with every argument after the program name and
// returns the process exit status (0 success, 1 failure, 2 usage error).
int32_t runCommandLine(const QStringList& arguments);

}  // namespace cli
