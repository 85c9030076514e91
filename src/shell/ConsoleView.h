#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

#include "ui/AppContext.h"
#include "ui/Navigator.h"
#include "ui/Page.h"
#include "ui/input/KeptEdits.h"
#include "ui/input/KeyboardFocus.h"

class PageDialogs;
class QVBoxLayout;
class ReadingDisplay;
class Sidebar;
class StatusBar;

// The main window's content: the sidebar beside the status bar and the selected
// page, which the reading display covers while settings are read back.
//
// A page view lives until the user leaves its page. A read-back only hides it behind the
// reading display, and it comes back refreshed from the model, so work a page started (a
// dialog it opened, an operation it awaits) always finishes on the page that started it. A
// page that is left while one of its dialogs is open goes only once that dialog has closed.
// What the user typed on a page and has not saved comes back with the page (KeptEdits) while
// the device is the same; another device's page is built afresh.
class ConsoleView : public QWidget {
    Q_OBJECT
public:
    ConsoleView(AppContext context, Page start, QWidget* parent = nullptr);
    ~ConsoleView() override;

    const Page& page() const { return m_page; }
    // A page left from one of its own controls hands the keys on to the new page: to the
    // control `focus` picks, or to its first.
    void showPage(const Page& page, const Navigator::FocusPick& focus = {});
    void openChannel(int ch) { showPage(Page::channelPage(ch)); }

    Sidebar* sidebar() const { return m_sidebar; }
    StatusBar* statusBar() const { return m_statusBar; }
    // The page view or the reading display, whichever is shown.
    QWidget* pageContent() const;
    ReadingDisplay* readingDisplay() const { return m_reading; }

protected:
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* buildDetail();
    void leavePage();
    void focusControl(const Navigator::FocusPick& focus);
    void showContent();
    void updateEnabled();
    void holdPageFocus();
    bool showsReadingDisplay() const;
    void releaseLeftPages();
    // A view that goes because the device in front changed takes no commit: what was typed in
    // it was for the device before.
    void dropView(bool commitTyping = true);
    void leaveDevice();
    KeptEdits& keptFor(const Page& page);

    AppContext m_context;
    std::unique_ptr<PageDialogs> m_dialogs;
    // What was typed on a page and not saved: for the pages of a device, kept for the device
    // it was typed for (the device in front: the link's while it is up, the demo device, or
    // none), so it is never offered for another and never committed once its link went.
    KeptEdits m_kept;
    KeptEdits m_deviceKept;
    Page m_page;
    Sidebar* m_sidebar = nullptr;
    StatusBar* m_statusBar = nullptr;
    QVBoxLayout* m_pageArea = nullptr;
    QWidget* m_view = nullptr;
    QString m_viewDevice;  // the model's device as the view was built
    ReadingDisplay* m_reading = nullptr;
    QList<QPointer<QWidget>> m_leftPages;
    // The control that had the keys when the page let them go (disabled without a device,
    // hidden for a read-back); they come back to it once the page is shown and enabled.
    std::optional<keyboardfocus::FocusReturn> m_pageFocus;
};
