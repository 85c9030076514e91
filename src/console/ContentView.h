#pragma once

#include <QWidget>

struct AppContext;
class KeptEdits;
class NetworkPanel;
class QSplitter;
class QTabWidget;
class TrafficPanel;
class USBPanel;

// The diagnostics console: the USB and Network tools in tabs on the left,
// the traffic panel on the right. It reads the application's HID explorer,
// UDP and TCP tools, traffic log and dialogs from the context and owns only
// the texts typed into its fields.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(const AppContext& context, QWidget* parent = nullptr);

    static constexpr int usbTab = 0;
    static constexpr int networkTab = 1;
    int tab() const;
    void setTab(int tab);

    QTabWidget* tabs() const { return tabs_; }
    QSplitter* splitter() const { return splitter_; }
    USBPanel* usbPanel() const { return usb_; }
    NetworkPanel* networkPanel() const { return network_; }
    TrafficPanel* trafficPanel() const { return traffic_; }

private:
    void keepTab(KeptEdits* kept);

    QSplitter* splitter_;
    QTabWidget* tabs_;
    USBPanel* usb_;
    NetworkPanel* network_;
    TrafficPanel* traffic_;
};
