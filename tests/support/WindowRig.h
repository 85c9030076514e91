#pragma once

#include <QImage>
#include <QList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "ScriptedDialogs.h"
#include "diagnostics/HIDTransport.h"
#include "diagnostics/TCPClient.h"
#include "diagnostics/UDPProbe.h"
#include "link/TrafficLog.h"
#include "platform/Settings.h"
#include "sim/DeviceSimulator.h"
#include "support/hid/FakeBackend.h"
#include "ui/AppContext.h"
#include "ui/Navigator.h"
#include "ui/Page.h"

class ConsoleView;
class DSPModel;
class MainWindow;
class QWidget;

namespace kestrel_test {

// The real main window, shown offscreen, over a model whose TCP link reaches a simulator
// on a random loopback address; answers its dialogs from a script and keeps its settings
// in a private file. Tests drive it as a user would and read the simulator's frames and
// the pixels the window last put on screen.
class WindowRig {
public:
    struct Options {
        QString startPage;                              // TSL_PAGE while the window is made; empty: the mixer
        bool connect = true;                            // connect and wait through the first read-back
        bool show = true;                               // show the window and wait until it settles
        QString demoPath;                               // the demo device's data; empty: the built-in one
        std::function<void(DeviceSimulator&)> prepare;  // runs before the simulator is reached
    };

    WindowRig();
    explicit WindowRig(const Options& options);
    ~WindowRig();

    MainWindow& window() { return *window_; }
    ConsoleView& console();
    DSPModel& model() { return *model_; }

    // Connects over TCP and waits until the model is connected, read back and has its
    // preset list. True when all of that happened.
    bool connect();
    // Starts a full read-back and waits only until it has begun; then waits for its end.
    bool startReadBack();
    bool finishReadBack();
    // The next dialog (file panel, confirmation or alert) runs a full read-back before
    // it answers, as a read-back that starts and ends while a modal dialog is open.
    void readBackInNextDialog();
    int readBacksDuringDialogs() const { return readBacksDuringDialogs_; }

    // Selects a page through the sidebar and lets the switch settle.
    void showPage(const Page& page);
    // Gives the window's content the size (the menu bar comes on top) and lets it settle. The
    // offscreen screen is smaller than the smallest window a real screen allows, so any size goes.
    void resizeContent(const QSize& size);
    // The current page's view (null while the reading display covers it).
    QWidget* pageView();
    template <typename T>
    T* page() {
        return qobject_cast<T*>(pageView());
    }

    // Lets posted work run, and deletes widgets that were replaced.
    void turn();
    // Spins until the condition holds (bounded).
    bool waitFor(const std::function<bool()>& condition, double seconds = 20);

    // The texts the status bar's labels show, in the order they were made.
    QStringList statusTexts();

    // The window's pixels as last flushed to its backing store: what the user sees, without
    // repainting anything (a grab would paint afresh and hide stale pixels).
    QImage onScreen();
    // The rectangle of a widget inside the window, in the image's pixels.
    QRect onScreenRect(const QWidget& widget);

    // A mark in the frames the simulator received, and the frames of one command since
    // a mark, oldest first.
    qsizetype mark() const { return simulator.received().size(); }
    QList<DSPFrame> receivedSince(qsizetype mark, quint16 command) const;

    QTemporaryDir dir;
    Settings settings;
    hid::FakeBackend backend;
    TrafficLog log;
    HIDTransport hid;
    UDPProbe udp;
    TCPClient tcp;
    DeviceSimulator simulator;
    Navigator navigator;
    ScriptedDialogs dialogs;

private:
    DSPModel* model_ = nullptr;
    AppContext context_;
    std::unique_ptr<MainWindow> window_;
    int presetLists_ = 0;
    int readBacksDuringDialogs_ = 0;
};

// Gives the simulator the demo device's settings: values the window's controls could have
// set. Its own zero words (a Q of 0, a frequency of 0 Hz) are values no control sets, which
// a saved project leaves out after asking.
void holdDemoSettings(DeviceSimulator& simulator);

}  // namespace kestrel_test
