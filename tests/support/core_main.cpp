#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "TestEnvironment.h"

int main(int argc, char** argv) {
    QTemporaryDir configHome;
    kestrel_test::prepareTestProcess(configHome);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
