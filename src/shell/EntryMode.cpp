#include "shell/EntryMode.h"

namespace app {

bool wantsCommandLine(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("--")) && !argument.startsWith(QLatin1String("--psn")))
            return true;
    }
    return false;
}

}  // namespace app
