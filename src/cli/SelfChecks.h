#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class DSPModel;

// The offline self-checks of `--selftest`: values that the rest of the system
// must reproduce bit for bit (reference frame bytes, parameter numbers, FIR
// header words, control codes, coefficient-file rules, the fader law) and,
// in offline mode, the model checks on the demo device.
namespace selfcheck {

struct CheckResult {
    QString name;
    bool passed = false;
};

// The 39 fixed checks, in their order.
QList<CheckResult> fixedChecks();
bool checkFIRDesign();
QList<CheckResult> centralControlChecks();
QList<CheckResult> firFileChecks();

// The 21 checks of the device model, on a model just created in offline mode
// (so it runs the demo device and sends nothing). Main thread only.
QList<CheckResult> modelChecks(DSPModel& freshModel);

using ModelFactory = std::function<std::unique_ptr<DSPModel>()>;

// Every check result of one run: the fixed checks, then the model checks on a
// model from `makeModel` when `offline` is set, else one line that always passes.
QList<CheckResult> allChecks(bool offline, const ModelFactory& makeModel);

// Prints "PASS name" or "FAIL name" per result, in order; true when any failed.
bool printResults(const QList<CheckResult>& results);

// Runs every check with the process's offline flag and prints them; true when
// a check failed.
bool runSelfTests();

// A WAV file image in memory: one channel at 48 kHz, the chunks concatenated as
// the sample data.
QByteArray writeWAVFixture(quint16 format, quint16 bits, const QList<QByteArray>& chunks);

// A copy without the last n bytes (empty when n exceeds the length).
QByteArray droppingLast(const QByteArray& bytes, qsizetype n);

}  // namespace selfcheck
