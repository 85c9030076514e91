#include <gtest/gtest.h>

#include "cli/ArgumentWalk.h"
#include "cli/ValueReaders.h"

using namespace cli;

namespace {

QStringList args(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* a : list) result << QString::fromUtf8(a);
    return result;
}

ReportToolSettings settingsOf(const QStringList& arguments) {
    const WalkOutcome outcome = walkArguments(arguments);
    EXPECT_TRUE(std::holds_alternative<ReportToolSettings>(outcome)) << arguments.join(' ').toStdString();
    if (const auto* settings = std::get_if<ReportToolSettings>(&outcome)) return *settings;
    return {};
}

CommandCall commandOf(const QStringList& arguments) {
    const WalkOutcome outcome = walkArguments(arguments);
    EXPECT_TRUE(std::holds_alternative<CommandCall>(outcome)) << arguments.join(' ').toStdString();
    if (const auto* call = std::get_if<CommandCall>(&outcome)) return *call;
    return {};
}

std::optional<UsageError> usageErrorOf(const QStringList& arguments) {
    const WalkOutcome outcome = walkArguments(arguments);
    if (const auto* error = std::get_if<UsageError>(&outcome)) return *error;
    return std::nullopt;
}

}  // namespace

TEST(ArgumentWalk, OptionsMatchOnlyByExactWholeText) {
    for (const char* bad : {"-v", "--LIST", "--list=1", "--sel", "stray", "", "--", "--scan "}) {
        const auto error = usageErrorOf(args({bad}));
        ASSERT_TRUE(error) << bad;
        EXPECT_EQ(error->message, QStringLiteral("unknown option %1\n").arg(QString::fromUtf8(bad)));
        EXPECT_EQ(error->status, 2);
    }
}

TEST(ArgumentWalk, FirstCommandEndsTheWalkAndEarlierErrorsWin) {
    EXPECT_EQ(commandOf(args({"--selftest", "--bogus"})).command, Command::selfTest);
    EXPECT_EQ(commandOf(args({"--scan", "--send", "ZZ"})).command, Command::scan);
    EXPECT_EQ(commandOf(args({"--list", "--no-pad", "--fir-dump", "--selftest"})).command, Command::firDump);

    auto error = usageErrorOf(args({"--bogus", "--selftest"}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, QStringLiteral("unknown option --bogus\n"));
    error = usageErrorOf(args({"--send", "ZZ", "--scan"}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, QStringLiteral("bad or empty hex\n"));
    // A stray value after a setting without one is an unknown option too.
    error = usageErrorOf(args({"--no-pad", "A5", "--scan"}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, QStringLiteral("unknown option A5\n"));
}

TEST(ArgumentWalk, SettingsCollectInAnyOrder) {
    const ReportToolSettings defaults = settingsOf(args({"--no-pad"}));
    EXPECT_FALSE(defaults.listOnly);
    EXPECT_EQ(defaults.vendorID, 0x28E9);
    EXPECT_EQ(defaults.productID, 0x028A);
    EXPECT_TRUE(defaults.sends.isEmpty());
    EXPECT_EQ(defaults.waitMs, 500.0);
    EXPECT_EQ(defaults.listenSeconds, 0.0);
    EXPECT_FALSE(defaults.pad);
    EXPECT_TRUE(settingsOf({}).pad);

    for (const QStringList& order : {args({"--list", "--send", "A5"}), args({"--send", "A5", "--list"})}) {
        const ReportToolSettings s = settingsOf(order);
        EXPECT_TRUE(s.listOnly);
        EXPECT_EQ(s.sends, QList<QByteArray>{QByteArray("\xA5", 1)});
    }

    const ReportToolSettings twice = settingsOf(args({"--send", "01 02", "--send", "0x03", "--send", "04"}));
    EXPECT_EQ(twice.sends,
              (QList<QByteArray>{QByteArray("\x01\x02", 2), QByteArray("\x03", 1), QByteArray("\x04", 1)}));
}

// A setting takes the next argument whatever it looks like; an unusable value keeps the
// wait as it was and makes --listen five seconds.
TEST(ArgumentWalk, SettingValuesAndTheirFallbacks) {
    struct Case {
        QStringList arguments;
        double waitMs, listenSeconds;
    };
    const Case cases[] = {
        {args({"--wait", "--list"}), 500, 0},    {args({"--wait", "20", "--wait", "x"}), 20, 0},
        {args({"--wait", "1.5e2"}), 150, 0},     {args({"--wait"}), 500, 0},
        {args({"--wait", "-5"}), 0, 0},          {args({"--listen"}), 500, 5},
        {args({"--listen", "x"}), 500, 5},       {args({"--listen", "0"}), 500, 0},
        {args({"--listen", "2.25"}), 500, 2.25},
    };
    for (const Case& c : cases) {
        const ReportToolSettings s = settingsOf(c.arguments);
        EXPECT_FALSE(s.listOnly) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(s.waitMs, c.waitMs) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(s.listenSeconds, c.listenSeconds) << c.arguments.join(' ').toStdString();
    }
    EXPECT_EQ(settingsOf(args({"--device", "--selftest"})).vendorID, 0x28E9);
}

TEST(ArgumentWalk, SendRefusesMissingBadOrEmptyHex) {
    for (const QStringList& bad :
         {args({"--send"}), args({"--send", "ZZ"}), args({"--send", ""}), args({"--send", " , "}),
          args({"--send", "0x"}), args({"--send", "12 ZZ"})}) {
        const auto error = usageErrorOf(bad);
        ASSERT_TRUE(error) << bad.join(' ').toStdString();
        EXPECT_EQ(error->message, QStringLiteral("bad or empty hex\n"));
        EXPECT_EQ(error->status, 2);
    }
}

TEST(ArgumentWalk, DevicePairNeedsExactlyTwoHexNumbers) {
    const std::pair<const char*, std::pair<qint64, qint64>> taken[] = {
        {"28E9:028A", {0x28E9, 0x028A}},
        {"28e9:28a", {0x28E9, 0x028A}},
        {"1234:ABCD", {0x1234, 0xABCD}},
        {"::1::2:", {1, 2}},
        {"zz:1:2", {1, 2}},
        {"+1:-2", {1, -2}},
    };
    for (const auto& [value, pair] : taken) {
        const ReportToolSettings s = settingsOf(args({"--device", "7:8", "--device", value}));
        EXPECT_EQ(std::pair(s.vendorID, s.productID), pair) << value;
    }
    // Anything but exactly two numbers keeps what an earlier --device set.
    for (const char* value :
         {"0x28E9:0x028A", "1234:0x1", "28E9", "1:2:3", "", "1 :2", "10000000000000000:1"}) {
        const ReportToolSettings s = settingsOf(args({"--device", "7:8", "--device", value}));
        EXPECT_EQ(std::pair(s.vendorID, s.productID), std::pair(qint64(7), qint64(8))) << value;
    }
}

TEST(ArgumentWalk, PathCommandsTakeTheNextArgumentOrNothing) {
    CommandCall call = commandOf(args({"--firdesign", "--selftest"}));
    EXPECT_EQ(call.command, Command::firDesign);
    EXPECT_EQ(call.path, QStringLiteral("--selftest"));
    EXPECT_EQ(commandOf(args({"--firdesign"})).path, std::nullopt);
    EXPECT_EQ(commandOf(args({"--fir-file", "taps.txt"})).path, QStringLiteral("taps.txt"));
    EXPECT_EQ(commandOf(args({"--fir-file"})).path, std::nullopt);
    EXPECT_EQ(commandOf(args({"--snapshot", ""})).path, QString());

    const auto missingSnapshot = usageErrorOf(args({"--snapshot"}));
    ASSERT_TRUE(missingSnapshot);
    EXPECT_TRUE(missingSnapshot->message.isEmpty());
    EXPECT_EQ(missingSnapshot->status, 2);
}

TEST(ArgumentWalk, FIRHardwareTestNeedsAFileAndAChannelList) {
    const CommandCall call = commandOf(args({"--fir-hwtest", "f.txt", "4,x,,5,11,4"}));
    EXPECT_EQ(call.command, Command::firHardwareTest);
    EXPECT_EQ(call.path, QStringLiteral("f.txt"));
    EXPECT_EQ(call.channels, (QList<int>{4, 5, 11, 4}));
    // A list that names no channel would test nothing: refused, naming the list.
    for (const char* list : {"", "4 5", "x", "4;5", "OUT1", ",,"}) {
        const auto error = usageErrorOf(args({"--fir-hwtest", "f.txt", list}));
        ASSERT_TRUE(error) << list;
        EXPECT_EQ(error->message, QStringLiteral("no channel in '%1'\n").arg(QLatin1String(list)));
        EXPECT_EQ(error->status, 2);
    }
    for (const QStringList& missing : {args({"--fir-hwtest"}), args({"--fir-hwtest", "f.txt"})}) {
        const auto error = usageErrorOf(missing);
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->message.isEmpty());
        EXPECT_EQ(error->status, 2);
    }
}

TEST(ArgumentWalk, SingleChannelCommandsRefuseAnythingButAChannelIndex) {
    for (const char* option : {"--fir-flat", "--fir-probe-1024"}) {
        EXPECT_EQ(commandOf(args({option, "+4"})).channel, 4);
        EXPECT_EQ(commandOf(args({option, "0"})).channel, 0);
        EXPECT_EQ(commandOf(args({option, "11"})).channel, 11);
        for (const char* bad : {"abc", "", "-", "+", " 4", "4 ", "4.0", "99999999999999999999"}) {
            const auto error = usageErrorOf(args({option, bad}));
            ASSERT_TRUE(error) << option << " " << bad;
            EXPECT_TRUE(error->message.isEmpty());
            EXPECT_EQ(error->status, 2);
        }
        ASSERT_TRUE(usageErrorOf(args({option})));
    }
    EXPECT_EQ(commandOf(args({"--fir-probe-1024", "7"})).command, Command::firProbe1024);
}

// A number outside 0-11 is refused with its own text, wherever it stands in a list and
// whatever the rest of the list holds; parts that are no number are still dropped.
TEST(ArgumentWalk, ChannelNumbersOutsideTheDeviceAreUsageErrors) {
    const QList<std::pair<QStringList, const char*>> cases{
        {args({"--fir-flat", "12"}), "12"},
        {args({"--fir-probe-1024", "-1"}), "-1"},
        {args({"--fir-flat", "+9223372036854775807"}), "9223372036854775807"},
        {args({"--fir-hwtest", "f.txt", "4,x,12"}), "12"},
        {args({"--fir-hwtest", "/missing/f.txt", "-0,-3,4"}), "-3"},
        {args({"--fir-clear", "x,99,100"}), "99"},
        {args({"--fir-clear", "12", "--bogus"}), "12"},
    };
    for (const auto& [arguments, number] : cases) {
        const auto error = usageErrorOf(arguments);
        ASSERT_TRUE(error) << arguments.join(' ').toStdString();
        EXPECT_EQ(error->message,
                  QStringLiteral("channel %1 out of range 0-11\n").arg(QLatin1String(number)));
        EXPECT_EQ(error->status, 2);
    }
}

TEST(ArgumentWalk, FIRClearAndMetersReadTheirValuesLeniently) {
    CommandCall clear = commandOf(args({"--fir-clear"}));
    EXPECT_EQ(clear.command, Command::firClear);
    EXPECT_TRUE(clear.channels.isEmpty());
    EXPECT_EQ(commandOf(args({"--fir-clear", "1,,x,3"})).channels, (QList<int>{1, 3}));
    EXPECT_TRUE(commandOf(args({"--fir-clear", "--no-pad"})).channels.isEmpty())
        << "no list before an option";
    // A list written but naming no channel would clear nothing and pass, an empty or blank one
    // as much as the upload test's.
    for (const char* junk : {"x", "OUT1", "4;5", ",", "", " "}) {
        const auto error = usageErrorOf(args({"--fir-clear", junk}));
        ASSERT_TRUE(error) << junk;
        EXPECT_EQ(error->message, QStringLiteral("no channel in '%1'\n").arg(QLatin1String(junk)));
        EXPECT_EQ(error->status, 2);
    }

    EXPECT_EQ(commandOf(args({"--meters"})).seconds, 6.0);
    EXPECT_EQ(commandOf(args({"--meters", "x"})).seconds, 6.0);
    EXPECT_EQ(commandOf(args({"--meters", "0"})).seconds, 0.0);
    EXPECT_EQ(commandOf(args({"--meters", "2.5"})).seconds, 2.5);
    EXPECT_EQ(commandOf(args({"--meters", "inf"})).seconds, 6.0);
    // Decimal, for every command that reads a number of seconds or milliseconds.
    EXPECT_EQ(commandOf(args({"--meters", "0x10"})).seconds, 6.0);
    EXPECT_EQ(settingsOf(args({"--wait", "0x10"})).waitMs, 500.0);
    EXPECT_EQ(settingsOf(args({"--listen", "0x1p3"})).listenSeconds, 5.0);
}

TEST(ValueReaders, ChannelListKeepsOrderAndDuplicatesOfNumbers) {
    EXPECT_EQ(parseChannelList({"3", "+1", "3", "-0", "011", "12", "-1"}),
              (QList<qint64>{3, 1, 3, 0, 11, 12, -1}));
    EXPECT_TRUE(parseChannelList({" 1", "1 ", "1.0", "0x1", "", "+", "9223372036854775808"}).isEmpty());
    EXPECT_EQ(readChannelList(",,4,5,"), (QList<qint64>{4, 5}));
}

// Non-finite values would make a wait or a meter run endless.
TEST(ValueReaders, DecimalsAreFiniteNumbers) {
    EXPECT_EQ(readDecimal("-2e-1"), -0.2);
    EXPECT_EQ(readDecimal(".5"), 0.5);
    EXPECT_EQ(readDecimal("+3."), 3.0);
    for (const char* bad : {"1x", "nan", "-infinity", "1e999", "0x10", "0X1P3", "1e", ".", "1,5"})
        EXPECT_EQ(readDecimal(bad), std::nullopt) << bad;
}
