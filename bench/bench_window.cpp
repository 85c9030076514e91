// The window's start and its idle cost. Start: from creating the application's
// objects (demo device on) to the first paint of the window. Idle: the process's
// CPU time while the demo device animates the meters and nobody touches anything,
// as a percentage of one core (goal: under 3 %). Offscreen painting is software
// rendering, like a desktop without GPU compositing.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include "WidgetBenchmarks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "shell/ConsoleApplication.h"
#include "shell/MainWindow.h"

namespace {

// Notices the first paint of any widget of the window.
class FirstPaint : public QObject {
public:
    bool seen = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) seen = true;
        return false;
    }
};

double processCPUSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_WindowStartToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        FirstPaint probe;
        qApp->installEventFilter(&probe);
        ConsoleApplication application;
        application.window().show();
        while (!probe.seen) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        qApp->removeEventFilter(&probe);
    }
}
BENCHMARK(BM_WindowStartToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_IdleOnDemoDevice(benchmark::State& state) {
    ConsoleApplication application;
    application.window().resize(1360, 820);
    application.window().show();
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);  // start-up work out of the way
    settle.exec();
    for (auto _ : state) {
        const double cpuBefore = processCPUSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop idle;
        QTimer::singleShot(5000, &idle, &QEventLoop::quit);
        idle.exec();
        state.counters["cpu_percent_of_one_core"] =
            100.0 * (processCPUSeconds() - cpuBefore) / (double(wall.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_IdleOnDemoDevice)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("TSL_OFFLINE", "1");
    return runWidgetBenchmarks(argc, argv);
}
