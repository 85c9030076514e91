// Project files come from anywhere: opening one must never crash, whatever the bytes,
// and a load applies every member or none.
#include <QCoreApplication>

#include <cstdint>

#include "FuzzCheck.h"
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
    const DSPModel::Table before = model->params();
    const std::optional<DSPModel::Project> project = DSPModel::decodeProject(bytes);
    const std::optional<QString> error = model->loadProject(bytes);
    fuzzCheck(error.has_value() == !project.has_value(), "a load fails exactly when decoding fails");
    if (!project) {
        fuzzCheck(model->params() == before, "a failed load changes nothing");
        return 0;
    }
    for (auto it = project->params.constBegin(); it != project->params.constEnd(); ++it) {
        const bool applied = model->params().value(it.key()) == it.value();
        fuzzCheck(!DSPModel::projectLoads(it.key()) || applied, "a load writes every member it takes");
        fuzzCheck(
            DSPModel::projectLoads(it.key()) || model->params().value(it.key()) == before.value(it.key()),
            "a load leaves members it skips alone");
    }
    return 0;
}
