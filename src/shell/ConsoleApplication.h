#pragma once

#include <memory>

#include "ui/AppContext.h"
#include "ui/Dialogs.h"

class MainWindow;
class Navigator;

// The windowed application: it owns the long-lived objects, created in this
// order (the device model, then the diagnostics tools), and the one window.
class ConsoleApplication {
public:
    ConsoleApplication();
    ~ConsoleApplication();

    MainWindow& window() { return *m_window; }
    const AppContext& context() const { return m_context; }

private:
    std::unique_ptr<DSPModel> m_model;
    std::unique_ptr<HIDTransport> m_hid;
    std::unique_ptr<UDPProbe> m_udp;
    std::unique_ptr<TCPClient> m_tcp;
    std::unique_ptr<Navigator> m_navigator;
    DesktopDialogs m_dialogs;
    AppContext m_context;
    std::unique_ptr<MainWindow> m_window;
};
