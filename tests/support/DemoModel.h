#pragma once

#include <memory>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "support/hid/FakeBackend.h"

namespace kestrel_test {

// A model running the bundled demo device, with no USB device and no network:
// edits are stored in the model and nothing is sent.
struct DemoModel {
    hid::FakeBackend usb;
    std::unique_ptr<DSPModel> model;

    explicit DemoModel(bool enterDemo = true) {
        DSPConnection::Environment environment;
        environment.hid = &usb;
        environment.offline = false;
        model = std::make_unique<DSPModel>(new DSPConnection(environment), DSPModel::defaultDemoDataPath());
        if (enterDemo) model->enterDemo();
    }
    DSPModel& operator*() const { return *model; }
    DSPModel* operator->() const { return model.get(); }
};

}  // namespace kestrel_test
