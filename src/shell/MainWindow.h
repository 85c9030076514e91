#pragma once

#include <QMainWindow>
#include <QPointer>

#include "shell/ProjectCommands.h"
#include "ui/AppContext.h"
#include "ui/DeviceWork.h"

class AboutDialog;
class ConsoleView;
class QAction;

// The one console window: menus and the console view.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppContext context, QWidget* parent = nullptr);

    ConsoleView* console() const { return m_console; }
    ProjectCommands& commands() { return m_commands; }
    DeviceWork& work() { return m_work; }
    QAction* demoAction() const { return m_demoAction; }
    QAction* saveAction() const { return m_saveAction; }
    QAction* openAction() const { return m_openAction; }

    // Width and height capped at 1400 x 880, at most 94 % of the screen's free area, centred in it.
    static QRect placement(const QRect& available);
    // The content's minimum, also on a smaller screen: every page is laid out for it, and the
    // window can be moved to show any part of it.
    static constexpr QSize kMinimumContent{1100, 680};

protected:
    void showEvent(QShowEvent* event) override;
    // Closing the window quits: while a send runs, only after the user said so.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void updateActions();
    void placeFirstWindow();
    void showAbout();
    void quit();

    AppContext m_context;
    DeviceWork m_work;
    ProjectCommands m_commands;
    ConsoleView* m_console;
    QAction* m_saveAction = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_demoAction = nullptr;
    QPointer<AboutDialog> m_about;
    bool m_placed = false;
    // Set by Quit: the window that closes also ends the application.
    bool m_quitWhenClosed = false;
    // The user chose to quit while work ran: the next close goes ahead.
    bool m_closeAnswered = false;
};
