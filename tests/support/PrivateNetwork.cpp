#include "PrivateNetwork.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>

namespace private_network {

namespace {

const char* const insideVariable = "KESTREL_PRIVATE_NETWORK";

QString currentTestName() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return QStringLiteral("%1.%2").arg(QString::fromUtf8(test->test_suite_name()),
                                       QString::fromUtf8(test->name()));
}

}  // namespace

bool inside() {
    return qEnvironmentVariableIsSet(insideVariable);
}

void runCurrentTest() {
    if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("true")}) != 0)
        GTEST_SKIP() << "cannot create a network namespace here (unshare -n)";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(insideVariable), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"),
                                            QStringLiteral("ip link set lo up && exec \"$0\" \"$1\""),
                                            QCoreApplication::applicationFilePath(),
                                            QStringLiteral("--gtest_filter=") + currentTestName()});
    ASSERT_TRUE(child.waitForFinished(180000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (output.contains(QStringLiteral("[  SKIPPED ] 1 test"))) {
        const QRegularExpression reason(QStringLiteral("Skipped\\n(.*)\\n"));
        GTEST_SKIP() << reason.match(output).captured(1).toStdString();
    }
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

bool isolated() {
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (interface.name() != QStringLiteral("lo")) return false;
    }
    return true;
}

bool ip(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("ip"), arguments) == 0;
}

}  // namespace private_network
