#include <gtest/gtest.h>

#include "support/AppProcess.h"

using kestrel_test::runApp;

// The real program: the entry must hand every argument to the command line
// and turn its status into the exit status, printing only what it should.
TEST(CommandLineProcess, UsageErrorsReachTheTerminalExactly) {
    const auto unknown = runApp({QStringLiteral("--x")});
    ASSERT_TRUE(unknown.finished);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.error, QByteArray("unknown option --x\n"));
    EXPECT_TRUE(unknown.out.isEmpty());

    const auto badHex = runApp({QStringLiteral("--send"), QStringLiteral("ZZ"), QStringLiteral("--scan")});
    EXPECT_EQ(badHex.exitCode, 2);
    EXPECT_EQ(badHex.error, QByteArray("bad or empty hex\n"));
    EXPECT_TRUE(badHex.out.isEmpty());

    // A value that is no argument of its own: "-v" after a command-line
    // argument is an unknown option, not a Qt option.
    const auto oneDash = runApp({QStringLiteral("--no-pad"), QStringLiteral("-v")});
    EXPECT_EQ(oneDash.exitCode, 2);
    EXPECT_EQ(oneDash.error, QByteArray("unknown option -v\n"));

    const auto silent = runApp({QStringLiteral("--fir-probe-1024"), QString()});
    EXPECT_EQ(silent.exitCode, 2);
    EXPECT_TRUE(silent.out.isEmpty());
    EXPECT_TRUE(silent.error.isEmpty());
}
