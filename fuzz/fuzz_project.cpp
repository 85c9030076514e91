// Project files come from anywhere: opening one must never crash, whatever the bytes.
#include <QCoreApplication>

#include <cstdint>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "support/hid/FakeBackend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_project";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    // An offline model runs the demo device, so loading changes the table and sends nothing.
    static hid::FakeBackend usb;
    static DSPModel* model = [] {
        DSPConnection::Environment environment;
        environment.hid = &usb;
        environment.offline = true;
        return new DSPModel(new DSPConnection(environment), QString());
    }();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    model->loadProject(bytes);
    return 0;
}
