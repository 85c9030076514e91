#pragma once

#include <QWidget>

#include "app/AppContext.h"
#include "app/Page.h"

class QVBoxLayout;
class ReadingDisplay;
class Sidebar;
class StatusBar;

// The main window's content: the sidebar beside the status bar and the selected
// page, which the reading display covers while settings are read back.
class ConsoleView : public QWidget {
    Q_OBJECT
public:
    ConsoleView(AppContext context, Page start, QWidget* parent = nullptr);

    const Page& page() const { return m_page; }
    void showPage(const Page& page);
    void openChannel(int ch) { showPage(Page::channelPage(ch)); }

    Sidebar* sidebar() const { return m_sidebar; }
    StatusBar* statusBar() const { return m_statusBar; }
    // The page view or the reading display, whichever is shown.
    QWidget* pageContent() const { return m_content; }
    ReadingDisplay* readingDisplay() const;

private:
    QWidget* buildDetail();
    void rebuildContent();
    void loadingChanged();
    void updateEnabled();
    bool showsReadingDisplay() const;

    AppContext m_context;
    Page m_page;
    Sidebar* m_sidebar = nullptr;
    StatusBar* m_statusBar = nullptr;
    QVBoxLayout* m_pageArea = nullptr;
    QWidget* m_content = nullptr;
};
