#pragma once

class DSPModel;
class DSPConnection;
class MeterStore;
class HIDTransport;
class UDPProbe;
class TCPClient;
class TrafficLog;
class Settings;
class Navigator;
class Dialogs;
class KeptEdits;
class DeviceWork;

// The shared objects every page reads and edits the device through. The
// application owns them; pages only borrow them.
struct AppContext {
    DSPModel* model = nullptr;
    DSPConnection* link = nullptr;
    MeterStore* meters = nullptr;
    HIDTransport* hid = nullptr;
    UDPProbe* udp = nullptr;
    TCPClient* tcp = nullptr;
    TrafficLog* log = nullptr;
    Settings* settings = nullptr;
    Navigator* navigator = nullptr;
    Dialogs* dialogs = nullptr;
    KeptEdits* kept = nullptr;  // the window's; what views keep of the user's unsaved edits
    // The long device operations under way; the main window's (null without a window).
    DeviceWork* work = nullptr;
};
