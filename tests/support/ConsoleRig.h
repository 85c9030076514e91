#pragma once

#include "diagnostics/HIDTransport.h"
#include "diagnostics/TCPClient.h"
#include "diagnostics/UDPProbe.h"
#include "link/TrafficLog.h"
#include "support/ScriptedDialogs.h"
#include "support/hid/FakeBackend.h"
#include "ui/AppContext.h"

namespace kestrel_test {

// Everything the diagnostics console reads from the application: the tools
// over fake HID devices, a log of their own and scripted dialogs.
struct ConsoleRig {
    hid::FakeBackend backend;
    TrafficLog log;
    HIDTransport hid{log, backend};
    UDPProbe udp{log};
    TCPClient tcp{log};
    ScriptedDialogs dialogs;
    AppContext context{.hid = &hid, .udp = &udp, .tcp = &tcp, .log = &log, .dialogs = &dialogs};
};

}  // namespace kestrel_test
