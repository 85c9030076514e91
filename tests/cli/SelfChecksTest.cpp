#include <gtest/gtest.h>

#include "cli/SelfChecks.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "support/CapturedConsole.h"

using namespace selfcheck;

TEST(SelfChecks, ResultsPrintOneLineEachAndReportAnyFailure) {
    kestrel_test::CapturedConsole console;
    EXPECT_FALSE(printResults({{QStringLiteral("first"), true}, {QStringLiteral("second"), true}}));
    EXPECT_TRUE(printResults({{QStringLiteral("fine"), true}, {QStringLiteral("broken"), false}}));
    EXPECT_EQ(console.out(), QStringLiteral("PASS first\nPASS second\nPASS fine\nFAIL broken\n"));
}

// Without the demo device's data the table stays empty: the checks that need
// it fail, the rest still run, and the list keeps its 21 entries.
TEST(SelfChecks, ModelChecksWithoutDemoDataFailWhereTheyNeedIt) {
    DSPConnection::Environment offline;
    offline.offline = true;
    DSPModel model(new DSPConnection(offline), QStringLiteral("/nonexistent/DemoDevice.json"));
    const QList<CheckResult> results = modelChecks(model);
    ASSERT_EQ(results.size(), 21);
    EXPECT_EQ(results[0].name, QStringLiteral("demo device loaded"));
    EXPECT_FALSE(results[0].passed);
    EXPECT_EQ(results[8].name, QStringLiteral("non-members untouched"));
    EXPECT_FALSE(results[8].passed);
    EXPECT_FALSE(results[1].passed);  // the gain setter needs the channel's words read
    EXPECT_EQ(results[2].name, QStringLiteral("delay clamps to 2000 ms"));
    EXPECT_TRUE(results[2].passed);  // a plain write works on an empty table
}
