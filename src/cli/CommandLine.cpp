#include "cli/CommandLine.h"

#include <variant>

#include "cli/ArgumentWalk.h"
#include "cli/Console.h"
#include "cli/OfflineTools.h"
#include "cli/ReportTool.h"
#include "link/NetworkScan.h"
#include "platform/hid/HidBackend.h"

namespace cli {

namespace {

// Commands whose engines have not been wired in yet.
int32_t unavailable() {
    printError(QStringLiteral("not available in this build\n"));
    return 1;
}

int32_t runCommand(const CommandCall& call) {
    switch (call.command) {
        case Command::firDump:
            return runFIRDump();
        case Command::firFile:
            return runFIRFile(call.path);
        case Command::firDesign:
            return runFIRDesign(call.path);
        case Command::scan:
            return runScan(ScanSystem::posix());
        case Command::firHardwareTest:
        case Command::firFlat:
        case Command::snapshot:
        case Command::firClear:
        case Command::parameterTest:
        case Command::firProbe1024:
        case Command::meters:
        case Command::sourcesTest:
        case Command::presetsTest:
        case Command::selfTest:
            return unavailable();
    }
    return unavailable();
}

}  // namespace

int32_t runCommandLine(const QStringList& arguments) {
    const WalkOutcome outcome = walkArguments(arguments);
    if (const auto* error = std::get_if<UsageError>(&outcome)) {
        if (!error->message.isEmpty()) printError(error->message);
        return error->status;
    }
    if (const auto* call = std::get_if<CommandCall>(&outcome)) return runCommand(*call);
    return runReportTool(std::get<ReportToolSettings>(outcome), hid::defaultBackend());
}

}  // namespace cli
