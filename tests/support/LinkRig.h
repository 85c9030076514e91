#pragma once

#include <QList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

#include "Spin.h"
#include "link/DSPConnection.h"
#include "platform/Settings.h"
#include "sim/DeviceSimulator.h"
#include "support/hid/FakeBackend.h"

namespace kestrel_test {

// Carries a simulator over a fake USB device: output reports are reassembled into frames,
// answered by the simulator's handlers, and sent back as 64-byte input reports.
class USBSimBridge : public QObject {
public:
    USBSimBridge(hid::FakeDevice* device, DeviceSimulator* simulator);
    // Stops answering (a device that takes reports but stays silent).
    bool silent = false;

private:
    void takeReports();

    hid::FakeDevice* device_;
    DeviceSimulator* simulator_;
    FrameAssembler assembler_;
};

// A connection under test with everything it talks to: a fake HID backend, a private
// settings file and a simulator on a random loopback address. Records what the owner sees.
class LinkRig {
public:
    LinkRig();
    ~LinkRig();

    // Creates the connection (late, so a test can prepare settings and devices first).
    DSPConnection& start(bool offline = false);
    DSPConnection& link() { return *link_; }

    // Plugs a fake Kestrel in, answered by the simulator unless `bridged` is false.
    hid::FakeDevice* plugKestrel(bool bridged = true);
    // Connects over TCP to the simulator and waits for the handshake's end.
    bool connectToSimulator();
    bool waitForStatus(DSPConnection::Status::Kind kind);

    QTemporaryDir dir;
    Settings settings;
    hid::FakeBackend backend;
    DeviceSimulator simulator;
    QList<bool> connectionChanges;
    QList<DSPFrame> frames;

private:
    std::unique_ptr<DSPConnection> link_;
    std::vector<std::unique_ptr<USBSimBridge>> bridges_;
};

// Starts a request and records its answer when it completes (the helper keeps the count).
struct Outcome {
    bool done = false;
    int completions = 0;
    std::optional<DSPFrame> answer;
};
std::shared_ptr<Outcome> startRequest(DSPConnection& link, DSPFrame frame, double timeout,
                                      DSPConnection::Matcher matching);

}  // namespace kestrel_test
