#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>

namespace cli {

// What the raw HID report tool is to do when no command option is met.
struct ReportToolSettings {
    bool listOnly = false;
    qint64 vendorID = 0x28E9;
    qint64 productID = 0x028A;
    QList<QByteArray> sends;
    double waitMs = 500.0;
    double listenSeconds = 0.0;
    bool pad = true;
};

enum class Command {
    firDesign,
    scan,
    firDump,
    firFile,
    firHardwareTest,
    firFlat,
    snapshot,
    firClear,
    parameterTest,
    firProbe1024,
    meters,
    sourcesTest,
    presetsTest,
    selfTest,
};

// The first command option met, with the values it took from the arguments
// after it. Which fields matter depends on the command.
struct CommandCall {
    Command command = Command::selfTest;
    std::optional<QString> path;  // absent when no argument followed
    QList<int> channels;
    int channel = 0;
    double seconds = 6.0;
};

// A usage error: the exact text for standard error (possibly empty) and the
// exit status.
struct UsageError {
    QString message;
    int32_t status = 2;
};

using WalkOutcome = std::variant<ReportToolSettings, CommandCall, UsageError>;

// Reads the arguments once, left to right. Settings collect into the report
// tool's settings; the first command ends the walk with its values; the first
// usage error ends it before anything runs.
WalkOutcome walkArguments(const QStringList& arguments);

}  // namespace cli
