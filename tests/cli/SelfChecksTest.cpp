#include <gtest/gtest.h>

#include <QtEndian>

#include "cli/SelfChecks.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "support/CapturedConsole.h"

using namespace selfcheck;

TEST(SelfChecks, FixedChecksAllPassInTheirOrder) {
    const QList<CheckResult> results = fixedChecks();
    ASSERT_EQ(results.size(), 39);
    for (const CheckResult& result : results) EXPECT_TRUE(result.passed) << result.name.toStdString();
    EXPECT_EQ(results[0].name, QStringLiteral("encode matches original software"));
    EXPECT_EQ(results[12].name, QStringLiteral("central control code 1 matches original"));
    EXPECT_EQ(results[29].name, QStringLiteral("central control code 18 matches original"));
    EXPECT_EQ(results[30].name, QStringLiteral("FIR file: text with comments, CSV and tabs"));
    EXPECT_EQ(results[38].name, QStringLiteral("limiter writes keep word 6 (no 5-word override)"));
}

TEST(SelfChecks, ResultsPrintOneLineEachAndReportAnyFailure) {
    kestrel_test::CapturedConsole console;
    EXPECT_FALSE(printResults({{QStringLiteral("first"), true}, {QStringLiteral("second"), true}}));
    EXPECT_TRUE(printResults({{QStringLiteral("fine"), true}, {QStringLiteral("broken"), false}}));
    EXPECT_EQ(console.out(), QStringLiteral("PASS first\nPASS second\nPASS fine\nFAIL broken\n"));
}

TEST(SelfChecks, OnlineRunEndsWithTheModelPlaceholder) {
    bool modelMade = false;
    const QList<CheckResult> results = allChecks(false, [&modelMade] {
        modelMade = true;
        return std::unique_ptr<DSPModel>();
    });
    EXPECT_FALSE(modelMade);
    ASSERT_EQ(results.size(), 40);
    EXPECT_EQ(results.last().name,
              QStringLiteral("model tests (run with TSL_OFFLINE=1 from the app bundle)"));
    EXPECT_TRUE(results.last().passed);
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
    EXPECT_TRUE(results[1].passed);  // gain clamps work on an empty table
}

TEST(SelfChecks, ModelChecksPassOnTheDemoDevice) {
    DSPConnection::Environment offline;
    offline.offline = true;
    DSPModel model(new DSPConnection(offline), DSPModel::defaultDemoDataPath());
    const QList<CheckResult> results = modelChecks(model);
    ASSERT_EQ(results.size(), 21);
    for (const CheckResult& result : results) EXPECT_TRUE(result.passed) << result.name.toStdString();
}

TEST(SelfChecks, WAVFixtureLayout) {
    const QByteArray image = writeWAVFixture(1, 16, {QByteArray("\x01\x02", 2), QByteArray("\x03\x04", 2)});
    ASSERT_EQ(image.size(), 48);
    EXPECT_EQ(image.left(4), QByteArray("RIFF"));
    EXPECT_EQ(qFromLittleEndian<quint32>(image.constData() + 4), 40u);
    EXPECT_EQ(image.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(qFromLittleEndian<quint16>(image.constData() + 20), 1);
    EXPECT_EQ(qFromLittleEndian<quint32>(image.constData() + 24), 48000u);
    EXPECT_EQ(qFromLittleEndian<quint32>(image.constData() + 28), 96000u);
    EXPECT_EQ(qFromLittleEndian<quint16>(image.constData() + 32), 2);
    EXPECT_EQ(qFromLittleEndian<quint16>(image.constData() + 34), 16);
    EXPECT_EQ(image.mid(36, 4), QByteArray("data"));
    EXPECT_EQ(qFromLittleEndian<quint32>(image.constData() + 40), 4u);
    EXPECT_EQ(image.mid(44), QByteArray("\x01\x02\x03\x04", 4));

    EXPECT_EQ(droppingLast(QByteArray("abc"), 1), QByteArray("ab"));
    EXPECT_EQ(droppingLast(QByteArray("abc"), 0), QByteArray("abc"));
    EXPECT_TRUE(droppingLast(QByteArray("abc"), 7).isEmpty());
}
