#include "cli/CommandLine.h"

#include <variant>

#include "cli/ArgumentWalk.h"
#include "cli/Console.h"
#include "cli/HardwareTestHarness.h"
#include "cli/HardwareTests.h"
#include "cli/OfflineTools.h"
#include "cli/ReportTool.h"
#include "cli/SelfChecks.h"
#include "link/NetworkScan.h"
#include "platform/hid/HidBackend.h"

namespace cli {

namespace {

using hwtest::StatusBox;

int32_t runHardwareTest(QCoro::Task<> (*body)(DSPModel&, StatusBox&)) {
    return hwtest::runBody(body);
}

int32_t runChannelTest(int channel, QCoro::Task<> (*body)(DSPModel&, StatusBox&, int)) {
    return hwtest::runBody(
        [channel, body](DSPModel& model, StatusBox& box) { return body(model, box, channel); });
}

int32_t runCommand(const CommandCall& call) {
    switch (call.command) {
        case Command::firDesign:
            return runFIRDesign(call.path);
        case Command::scan:
            return runScan(ScanSystem::posix());
        case Command::firDump:
            return runFIRDump();
        case Command::firFile:
            return runFIRFile(call.path);
        case Command::firHardwareTest:
            return hwtest::runFIRHardwareTest(call.path.value_or(QString()), call.channels);
        case Command::firFlat:
            return runChannelTest(call.channel, hwtest::firFlatTest);
        case Command::snapshot:
            return hwtest::runBody([path = call.path.value_or(QString())](DSPModel& model, StatusBox& box) {
                return hwtest::snapshotTest(model, box, path);
            });
        case Command::firClear:
            return hwtest::runBody([channels = call.channels](DSPModel& model, StatusBox& box) {
                return hwtest::firClearTest(model, box, channels);
            });
        case Command::parameterTest:
            return runHardwareTest(hwtest::parameterTest);
        case Command::firProbe1024:
            return runChannelTest(call.channel, hwtest::firProbe1024Test);
        case Command::meters:
            return hwtest::runBody([seconds = call.seconds](DSPModel& model, StatusBox& box) {
                return hwtest::metersTest(model, box, seconds);
            });
        case Command::sourcesTest:
            return runHardwareTest(hwtest::sourcesTest);
        case Command::presetsTest:
            return runHardwareTest(hwtest::presetsTest);
        case Command::selfTest:
            return selfcheck::runSelfTests() ? 1 : 0;
    }
    return 2;
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
