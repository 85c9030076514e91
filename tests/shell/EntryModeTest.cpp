#include <gtest/gtest.h>

#include <QProcess>

#include "shell/EntryMode.h"

TEST(EntryMode, DoubleDashArgumentsSelectTheCommandLine) {
    EXPECT_FALSE(app::wantsCommandLine({}));
    EXPECT_FALSE(app::wantsCommandLine({"-v", "file.tsldsp"}));
    EXPECT_FALSE(app::wantsCommandLine({"--psn_0_12345"}));
    EXPECT_TRUE(app::wantsCommandLine({"x", "--selftest"}));
    EXPECT_TRUE(app::wantsCommandLine({"--psn_0_1", "--"}));
}

TEST(EntryMode, UnknownOptionIsAUsageErrorOnStandardError) {
    QProcess process;
    process.start(KESTREL_APP_PATH, {"--x"});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(process.readAllStandardError(), "unknown option --x\n");
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
}
