#include "cli/ArgumentWalk.h"

#include <algorithm>

#include "cli/ValueReaders.h"
#include "link/HexText.h"

namespace cli {

namespace {

// One pass over the arguments with one index: an option that takes a value
// takes the next argument as it stands, even one that begins with "--".
class Walker {
public:
    explicit Walker(const QStringList& arguments) : arguments_(arguments) {}

    WalkOutcome run() {
        for (i_ = 0; i_ < arguments_.size(); ++i_) {
            if (std::optional<WalkOutcome> end = step(arguments_[i_])) return *end;
        }
        return settings_;
    }

private:
    std::optional<QString> valueAfter(qsizetype offset = 1) const {
        if (i_ + offset < arguments_.size()) return arguments_[i_ + offset];
        return std::nullopt;
    }

    // A setting's value is the next argument, or the empty text at the end.
    QString takeSettingValue() {
        const QString value = valueAfter().value_or(QString());
        ++i_;
        return value;
    }

    static CommandCall call(Command command) {
        CommandCall c;
        c.command = command;
        return c;
    }

    static UsageError silentUsageError() { return UsageError{}; }

    std::optional<WalkOutcome> step(const QString& option) {
        if (option == QLatin1String("--list")) {
            settings_.listOnly = true;
            return std::nullopt;
        }
        if (option == QLatin1String("--firdesign")) return pathCommand(Command::firDesign);
        if (option == QLatin1String("--scan")) return call(Command::scan);
        if (option == QLatin1String("--fir-dump")) return call(Command::firDump);
        if (option == QLatin1String("--fir-file")) return pathCommand(Command::firFile);
        if (option == QLatin1String("--fir-hwtest")) return firHardwareTest();
        if (option == QLatin1String("--fir-flat")) return channelCommand(Command::firFlat);
        if (option == QLatin1String("--snapshot")) return snapshot();
        if (option == QLatin1String("--fir-clear")) return firClear();
        if (option == QLatin1String("--hwtest-params")) return call(Command::parameterTest);
        if (option == QLatin1String("--fir-probe-1024")) return channelCommand(Command::firProbe1024);
        if (option == QLatin1String("--meters")) return meters();
        if (option == QLatin1String("--hwtest-sources")) return call(Command::sourcesTest);
        if (option == QLatin1String("--hwtest-presets")) return call(Command::presetsTest);
        if (option == QLatin1String("--selftest")) return call(Command::selfTest);
        if (option == QLatin1String("--device")) return device();
        if (option == QLatin1String("--send")) return send();
        if (option == QLatin1String("--wait")) return wait();
        if (option == QLatin1String("--listen")) return listen();
        if (option == QLatin1String("--no-pad")) {
            settings_.pad = false;
            return std::nullopt;
        }
        return UsageError{QStringLiteral("unknown option %1\n").arg(option)};
    }

    WalkOutcome pathCommand(Command command) const {
        CommandCall c = call(command);
        c.path = valueAfter();
        return c;
    }

    // A number that names no channel is refused, not dropped: a test run on fewer channels
    // than asked for would report a pass for what it never tested.
    static UsageError notAChannel(qint64 number) {
        return UsageError{QStringLiteral("channel %1 out of range 0-11\n").arg(number)};
    }

    static WalkOutcome channelListCommand(Command command, const QString& value) {
        CommandCall c = call(command);
        for (const qint64 number : readChannelList(value)) {
            if (!isChannelIndex(number)) return notAChannel(number);
            c.channels.append(int(number));
        }
        return c;
    }

    WalkOutcome firHardwareTest() const {
        const std::optional<QString> path = valueAfter(1);
        const std::optional<QString> channels = valueAfter(2);
        if (!path || !channels) return silentUsageError();
        WalkOutcome outcome = channelListCommand(Command::firHardwareTest, *channels);
        auto* c = std::get_if<CommandCall>(&outcome);
        if (!c) return outcome;
        // A list without a channel would upload nothing and still report a pass.
        if (c->channels.isEmpty()) return noChannelIn(*channels);
        c->path = path;
        return outcome;
    }

    static UsageError noChannelIn(const QString& list) {
        return UsageError{QStringLiteral("no channel in '%1'\n").arg(list)};
    }

    WalkOutcome channelCommand(Command command) const {
        const std::optional<qint64> channel = readSingleChannel(valueAfter().value_or(QString()));
        if (!channel) return silentUsageError();
        if (!isChannelIndex(*channel)) return notAChannel(*channel);
        CommandCall c = call(command);
        c.channel = int(*channel);
        return c;
    }

    WalkOutcome snapshot() const {
        if (!valueAfter()) return silentUsageError();
        return pathCommand(Command::snapshot);
    }

    // Without a list (the last argument, or the next option follows) the clear asks for no
    // channel and only checks the link. A list that was written, even an empty or blank one,
    // must name a channel, as the upload test's must: "OUT1" or '' would clear nothing and
    // still report a pass.
    WalkOutcome firClear() const {
        const std::optional<QString> value = valueAfter();
        if (!value || value->startsWith(QLatin1String("--"))) return call(Command::firClear);
        WalkOutcome outcome = channelListCommand(Command::firClear, *value);
        const auto* c = std::get_if<CommandCall>(&outcome);
        if (c && c->channels.isEmpty()) return noChannelIn(*value);
        return outcome;
    }

    WalkOutcome meters() const {
        CommandCall c = call(Command::meters);
        c.seconds = readDecimal(valueAfter().value_or(QString())).value_or(6.0);
        return c;
    }

    std::optional<WalkOutcome> device() {
        if (const auto pair = readDevicePair(takeSettingValue())) {
            settings_.vendorID = pair->first;
            settings_.productID = pair->second;
        }
        return std::nullopt;
    }

    std::optional<WalkOutcome> send() {
        const std::optional<QByteArray> bytes = parseHexBytes(takeSettingValue());
        if (!bytes || bytes->isEmpty()) return UsageError{QStringLiteral("bad or empty hex\n")};
        settings_.sends.append(*bytes);
        return std::nullopt;
    }

    std::optional<WalkOutcome> wait() {
        // A negative wait is no wait: a timer with a negative interval never fires.
        if (const std::optional<double> ms = readDecimal(takeSettingValue()))
            settings_.waitMs = std::max(*ms, 0.0);
        return std::nullopt;
    }

    std::optional<WalkOutcome> listen() {
        settings_.listenSeconds = readDecimal(takeSettingValue()).value_or(5.0);
        return std::nullopt;
    }

    const QStringList& arguments_;
    qsizetype i_ = 0;
    ReportToolSettings settings_;
};

}  // namespace

WalkOutcome walkArguments(const QStringList& arguments) {
    return Walker(arguments).run();
}

}  // namespace cli
