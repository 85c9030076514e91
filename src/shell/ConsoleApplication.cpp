#include "shell/ConsoleApplication.h"

#include "diagnostics/HIDTransport.h"
#include "diagnostics/TCPClient.h"
#include "diagnostics/UDPProbe.h"
#include "link/DSPModel.h"
#include "link/TrafficLog.h"
#include "platform/Settings.h"
#include "shell/MainWindow.h"
#include "ui/Navigator.h"

ConsoleApplication::ConsoleApplication()
    : m_model(std::make_unique<DSPModel>()),
      m_hid(std::make_unique<HIDTransport>()),
      m_udp(std::make_unique<UDPProbe>()),
      m_tcp(std::make_unique<TCPClient>()),
      m_navigator(std::make_unique<Navigator>()) {
    m_context.model = m_model.get();
    m_context.link = &m_model->link();
    m_context.meters = &m_model->meterStore();
    m_context.hid = m_hid.get();
    m_context.udp = m_udp.get();
    m_context.tcp = m_tcp.get();
    m_context.log = &TrafficLog::shared();
    m_context.settings = &Settings::shared();
    m_context.navigator = m_navigator.get();
    m_context.dialogs = &m_dialogs;
    m_window = std::make_unique<MainWindow>(m_context);
    m_dialogs.setParentWindow(m_window.get());
}

ConsoleApplication::~ConsoleApplication() = default;
