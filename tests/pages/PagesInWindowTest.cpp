#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/AppContext.h"
#include "app/ConsoleView.h"
#include "app/Navigator.h"
#include "app/controls/Theme.h"
#include "link/LiveModel.h"
#include "pages/ControlCodesView.h"
#include "pages/DeviceView.h"
#include "pages/PageTesting.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "platform/Settings.h"
#include "support/ScriptedDialogs.h"
#include "support/WidgetTesting.h"

// The window's page switch builds each device page, drawn here in the window on the demo device.
TEST(PagesInWindowTest, ThePageSwitchBuildsEveryDevicePage) {
    Theme::apply(*qApp);
    livemodel::Offline device;
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    Navigator navigator;
    kestrel_test::ScriptedDialogs dialogs;
    AppContext context;
    context.model = device.model.get();
    context.link = &device.model->link();
    context.meters = &device.model->meterStore();
    context.settings = &settings;
    context.navigator = &navigator;
    context.dialogs = &dialogs;
    device.model->enterDemo();
    ConsoleView console(context, Page::of(Page::Kind::mixer));
    console.resize(1360, 820);
    console.show();

    const auto shows = [&](Page::Kind kind, const char* name, auto* typed) {
        console.showPage(Page::of(kind));
        pagetest::turn();
        EXPECT_NE(qobject_cast<std::remove_pointer_t<decltype(typed)>*>(console.pageContent()), nullptr)
            << name;
        kestrel_test::saveScreenshot(console, QStringLiteral("pages_window_") + QLatin1String(name));
    };
    shows(Page::Kind::routing, "routing", static_cast<RoutingView*>(nullptr));
    shows(Page::Kind::sources, "sources", static_cast<SourcesView*>(nullptr));
    shows(Page::Kind::presets, "presets", static_cast<PresetsView*>(nullptr));
    shows(Page::Kind::device, "device", static_cast<DeviceView*>(nullptr));
    shows(Page::Kind::codes, "codes", static_cast<ControlCodesView*>(nullptr));
}
