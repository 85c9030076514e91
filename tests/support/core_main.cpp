#include <gtest/gtest.h>

#include <QCoreApplication>

#include "TestEnvironment.h"

int main(int argc, char** argv) {
    const auto configHome = kestrel_test::prepareTestProcess();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return kestrel_test::finishPostedWork(RUN_ALL_TESTS());
}
