#pragma once

#include <QTemporaryDir>

#include <memory>

namespace kestrel_test {

// Gives the test process a private user-defaults store (the folder returned) and a clean
// environment: a stored "useNetwork" or an inherited TSL_OFFLINE would otherwise change
// what every later test sees. Scratch files (settings, simulator dumps, saved projects) go
// to memory where the machine offers it (/dev/shm), for this process and those it starts:
// on a disk still writing back a fresh build, one file operation can outlast the device's
// answer time-out, in the program under test or in the simulator answering it.
std::unique_ptr<QTemporaryDir> prepareTestProcess();

// Runs what the last test left posted before the process ends. A request cut by the end of its
// link hears "no answer" through a posted resumption; left unrun, its suspended coroutine frames
// are reported as leaks by a test that was otherwise right.
int finishPostedWork(int testResult);

}  // namespace kestrel_test
