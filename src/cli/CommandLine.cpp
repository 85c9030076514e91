#include "cli/CommandLine.h"

#include <cstdio>

namespace cli {

int32_t runCommandLine(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        std::fprintf(stderr, "unknown option %s\n", argument.toUtf8().constData());
        return 2;
    }
    return 2;
}

}  // namespace cli
