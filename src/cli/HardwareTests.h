#pragma once

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <cstdint>

#include "cli/HardwareTestHarness.h"
#include "fir/FIRFile.h"

class DSPModel;

// The bodies of the command line's hardware tests. Each waits for the device,
// prints one line per step and ends by finishing the status box.
namespace hwtest {

QCoro::Task<> snapshotTest(DSPModel& model, StatusBox& box, QString path);
QCoro::Task<> firClearTest(DSPModel& model, StatusBox& box, QList<int> channels);
QCoro::Task<> metersTest(DSPModel& model, StatusBox& box, double seconds);

QCoro::Task<> firHardwareTest(DSPModel& model, StatusBox& box, FIRFile::Loaded file, QList<int> channels);
QCoro::Task<> firFlatTest(DSPModel& model, StatusBox& box, int channel);
QCoro::Task<> firProbe1024Test(DSPModel& model, StatusBox& box, int channel);

QCoro::Task<> parameterTest(DSPModel& model, StatusBox& box);
QCoro::Task<> sourcesTest(DSPModel& model, StatusBox& box);
QCoro::Task<> presetsTest(DSPModel& model, StatusBox& box);

// Reads the coefficient file first ("can't read PATH" and 1 when it fails),
// then runs firHardwareTest.
int32_t runFIRHardwareTest(const QString& path, const QList<int>& channels);

}  // namespace hwtest
