#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "TestEnvironment.h"

int main(int argc, char** argv) {
    QTemporaryDir configHome;
    kestrel_test::prepareTestProcess(configHome);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
