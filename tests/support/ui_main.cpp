#include <gtest/gtest.h>

#include <QApplication>

#include "TestEnvironment.h"
#include "shell/ApplicationSetup.h"

int main(int argc, char** argv) {
    const auto configHome = kestrel_test::prepareTestProcess();
    QApplication app(argc, argv);
    setUpApplication(app);  // widgets are measured and drawn as the application shows them
    ::testing::InitGoogleTest(&argc, argv);
    return kestrel_test::finishPostedWork(RUN_ALL_TESTS());
}
