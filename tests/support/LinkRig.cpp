#include "LinkRig.h"

#include <gtest/gtest.h>

#include "platform/Tasks.h"

namespace kestrel_test {

USBSimBridge::USBSimBridge(hid::FakeDevice* device, DeviceSimulator* simulator)
    : device_(device), simulator_(simulator) {
    connect(device, &hid::FakeDevice::outputReport, this, &USBSimBridge::takeReports);
}

void USBSimBridge::takeReports() {
    for (const QByteArray& framed : device_->takeOutputReports()) {
        const auto frame = assembler_.feed(QByteArrayView(framed).sliced(1));  // without the report id
        if (!frame || silent) continue;
        for (const DSPFrame& answer : simulator_->respondTo(*frame)) {
            for (const QByteArray& report : answer.reports(DSPFrame::reportSize))
                device_->sendInputReport(report);
        }
    }
}

LinkRig::LinkRig() : settings(dir.filePath("settings.ini")) {
    if (!simulator.listenOnRandomLoopback()) ADD_FAILURE() << "no free loopback address";
}

LinkRig::~LinkRig() {
    link_.reset();
    bridges_.clear();
    // Let waiting coroutines take their posted resumptions and finish, so nothing leaks.
    spinUntil([] { return false; }, 0.01);
}

DSPConnection& LinkRig::start(bool offline) {
    DSPConnection::Environment environment;
    environment.hid = &backend;
    environment.settings = &settings;
    environment.offline = offline;
    link_ = std::make_unique<DSPConnection>(environment);
    link_->onConnectionChange = [this](bool up) { connectionChanges.append(up); };
    link_->onFrame = [this](const DSPFrame& frame) { frames.append(frame); };
    return *link_;
}

hid::FakeDevice* LinkRig::plugKestrel(bool bridged) {
    hid::DeviceProperties properties;
    properties.vendorID = DSPConnection::vendorID;
    properties.productID = DSPConnection::productID;
    properties.maxInputReport = 64;
    properties.maxOutputReport = 64;
    hid::FakeDevice* device = backend.plug(properties);
    if (bridged) bridges_.push_back(std::make_unique<USBSimBridge>(device, &simulator));
    return device;
}

bool LinkRig::connectToSimulator() {
    link_->connect(simulator.host());
    return waitForStatus(DSPConnection::Status::Kind::connected);
}

bool LinkRig::waitForStatus(DSPConnection::Status::Kind kind) {
    return spinUntil([&] { return link_->status().kind() == kind; });
}

namespace {

QCoro::Task<> record(QCoro::Task<std::optional<DSPFrame>> task, std::shared_ptr<Outcome> outcome) {
    outcome->answer = co_await task;
    outcome->done = true;
    ++outcome->completions;
}

}  // namespace

std::shared_ptr<Outcome> startRequest(DSPConnection& link, DSPFrame frame, double timeout,
                                      DSPConnection::Matcher matching) {
    auto outcome = std::make_shared<Outcome>();
    record(link.request(std::move(frame), timeout, std::move(matching)), outcome);
    return outcome;
}

}  // namespace kestrel_test
