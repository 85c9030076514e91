#pragma once

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "link/DSPModel.h"

// What every hardware test of the command line shares: a model that finds the
// device by itself, a body run as a task on the main thread while the runner
// keeps the event loop turning, and the wait for a connected, fully read device.
namespace hwtest {

// Shared by a runner and its body. The body sets `status` and then clears
// `running`, on every path.
struct StatusBox {
    int32_t status = 0;
    bool running = true;

    void finish(int32_t exitStatus) {
        status = exitStatus;
        running = false;
    }
};

using TestBody = std::function<QCoro::Task<>(DSPModel& model, StatusBox& box)>;

// TSL_NETWORK, read once per process; present (even empty) means "connect over TCP".
const std::optional<QString>& testNetworkHost();

// A fresh model watching USB; with a test host it connects to that host 1.5 s
// after creation and never to the remembered one.
std::unique_ptr<DSPModel> makeTestModel();

// Creates the test model, starts the body on the event loop and turns the loop
// in 0.05 s slices until the body clears `running`; returns its status.
int32_t runBody(const TestBody& body);

// Up to 30 s, looking every 0.2 s, for a connected model whose read-back has
// finished (over the link to the test host when one is set). Prints the
// transport line and gives whether the test may go on: the model is connected,
// or, with a test host, ready on that host's link.
QCoro::Task<bool> waitForConnection(DSPModel& model);

// The common start of a body: the wait, and "DSP not connected" with status 1
// when no device came. True when the body may go on.
QCoro::Task<bool> connectedOrFinish(DSPModel& model, StatusBox& box);

// Whether the model still has the link the test waited for.
bool stillConnected(const DSPModel& model);

// Names the parameters a test left alone because the device never reported them: a
// value that was never read could not be put back (or saved). `what` says what was not done.
void printNeverRead(const QList<quint32>& parameters, const QString& what = QStringLiteral("not tested"));

// Whether the device now reports the saved words (an answer may carry more). Only an
// answer proves a restore: a write on a link that is gone, or a lost answer, proves nothing.
QCoro::Task<bool> readsBack(DSPModel& model, quint32 parameter, QList<quint32> saved);

// What the reports print for device words: the label of a word the vocabulary has, "?" for
// one the device never gave, "?" and the word itself for one outside the vocabulary ("?7").
QString unknownWord(quint32 word);
// Word `index` of a parameter as the reports print it: `text` of the word, "?" when the device
// never reported the parameter, "?" and the word when no control could show it (a level that is
// NaN or infinite, a number out of range).
QString reportedWordText(const DSPModel& model, quint32 parameter, int index,
                         const std::function<QString(quint32)>& text);
// A level word in dB, as the device gave it.
QString levelWordText(quint32 word);
QString sourceWordText(quint32 word);
// An input's source from its test-signal routing and source words.
QString inputSourceText(const DSPModel& model, int input);
// A meter's level in dB, "?" for a meter never answered or a level that is no number.
QString levelText(const DSPModel& model, int ch);

// How many coefficients a read-back brought, with their unit if one is given: "0 taps" for none,
// "256 taps", "400 of 512 taps, read in part" for a read in part.
QString coefficientCount(const std::optional<DSPModel::FIRReadBack>& fir, const QString& unit = {});

// After an upload, restore or clear (`role`) that went out and did not end with the filter sent
// under its name: what was sent, what the device answered, what the FIR block holds and the name
// the device gave for it ("OUT 1: restore: 256 taps sent, no answer to the commit; FIR block
// holds the filter sent, name "Mine"").
void printFIROutcome(const DSPModel& model, int ch, const QString& role, const DSPModel::FIROutcome& outcome);

}  // namespace hwtest
