#include <gtest/gtest.h>

#include <QFile>

#include "support/AppProcess.h"

namespace {

QString golden(const char* name) {
    QFile file(QStringLiteral(KESTREL_TEST_DATA_DIR "/cli/golden/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(file.readAll());
}

}  // namespace

TEST(SelfTestProcess, PrintsFortyPassingLines) {
    const auto run = kestrel_test::runApp({QStringLiteral("--selftest"), QStringLiteral("--bogus")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.error.isEmpty());
    EXPECT_EQ(run.outText(), golden("selftest.txt"));
}

TEST(SelfTestProcess, OfflineAddsTheModelChecks) {
    QProcessEnvironment environment = kestrel_test::cleanAppEnvironment();
    environment.insert(QStringLiteral("TSL_OFFLINE"), QStringLiteral("1"));
    const auto run = kestrel_test::runApp({QStringLiteral("--selftest")}, environment);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.outText(), golden("selftest-offline.txt"));
}
