#pragma once

#include <QWidget>

class DSPConnection;
class DeviceWork;
class DSPModel;
class QHBoxLayout;
class QLabel;
class QMenu;
class QProgressBar;
class QToolButton;
class Settings;

// The row above every page: whether the console works with a device, with the
// demo device or with nothing, and the next step for each case.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    // `work` (may be null): the long device operations whose progress the bar shows.
    StatusBar(DSPModel& model, DSPConnection& link, Settings& settings, QWidget* parent = nullptr,
              DeviceWork* work = nullptr);

    // The connection menu's title: the transport text, or "Connection".
    static QString connectionTitle(const QString& transport);
    // The connected chip's name: the link's device name, else the status's model.
    static QString deviceLabel(const QString& deviceName, const QString& statusModel);

    QToolButton* connectionMenuButton() const { return m_menuButton; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void queueRebuild();
    void rebuild();
    void updateProgress();
    void addDemoState();
    void addLinkState();
    void addConnectionMenu();
    void fillConnectionMenu(QMenu* menu);
    void addProgress();
    void addWorkProgress();
    void updateWorkProgress();
    QWidget* secondaryText(const QString& text);

    DSPModel& m_model;
    DSPConnection& m_link;
    Settings& m_settings;
    QHBoxLayout* m_row;
    QToolButton* m_menuButton = nullptr;
    QProgressBar* m_progress = nullptr;
    DeviceWork* m_work;
    QList<std::pair<QLabel*, QProgressBar*>> m_workProgress;  // one per running operation
    bool m_rebuildQueued = false;
};
