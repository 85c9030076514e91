#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "shell/ApplicationSetup.h"

// Runs a widget program's benchmarks offscreen (unless a platform is chosen), with a
// private user-defaults store and the application's theme. The application object
// lives here, not in a static: Qt's devices must go before the exit handlers run.
inline int runWidgetBenchmarks(int argc, char** argv) {
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    setUpApplication(application);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
