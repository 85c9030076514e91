#pragma once

#include <QStringList>

namespace app {

// The command line runs when any argument after the program name begins with
// "--" (the launcher's "--psn..." process-serial argument excepted).
bool wantsCommandLine(const QStringList& arguments);

}  // namespace app
