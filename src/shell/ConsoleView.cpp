#include "shell/ConsoleView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

#include "editor/ChannelView.h"
#include "link/DSPModel.h"
#include "shell/PageDialogs.h"
#include "shell/PageFactory.h"
#include "shell/ReadingDisplay.h"
#include "shell/Sidebar.h"
#include "shell/StatusBar.h"
#include "ui/Navigator.h"
#include "ui/accessibility/Lifetime.h"
#include "ui/controls/Palette.h"
#include "ui/input/KeyboardFocus.h"
#include "ui/input/PendingEdits.h"

namespace {

// A one-point line across the detail column.
class Rule : public QWidget {
public:
    explicit Rule(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::stroke()); }
};

// The detail column's opaque backdrop.
class DetailBackground : public QWidget {
public:
    explicit DetailBackground(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::makeGrey(0.095)); }
};

// Whose typing a device page holds: the link's device while it is up, the demo device, or
// none while nothing can be written (a lost link's typing is not its device's to commit).
QString deviceInFront(const DSPModel& model) {
    return model.canWrite() ? model.device() : QString();
}

// True when the widget is one of the page's own or lies in a popup one of them opened.
bool opensOrHolds(const QWidget& page, const QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        if (widget == &page) return true;
    return false;
}

}  // namespace

ConsoleView::ConsoleView(AppContext context, Page start, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_dialogs(std::make_unique<PageDialogs>(*context.dialogs)),
      m_page(start) {
    m_context.dialogs = m_dialogs.get();
    m_context.kept = &m_kept;
    m_deviceKept.setDevice(deviceInFront(*context.model));
    m_dialogs->onAllClosed = [this] { releaseLeftPages(); };
    ChannelTab::applyStartTab(*context.settings);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    m_sidebar = new Sidebar(*context.model, *context.meters, split);
    split->addWidget(m_sidebar);
    split->addWidget(buildDetail());
    split->setStretchFactor(1, 1);
    split->setSizes({210, 1000});
    row->addWidget(split);

    connect(m_sidebar, &Sidebar::pageSelected, this, [this](const Page& page) { showPage(page); });
    if (context.navigator) {
        connect(context.navigator, &Navigator::pageRequested, this, &ConsoleView::showPage);
        context.navigator->inputSourceControl = inputSourceControl;
    }
    connect(context.model, &DSPModel::loadingChanged, this, &ConsoleView::showContent);
    connect(context.model, &DSPModel::connectedChanged, this, &ConsoleView::updateEnabled);
    connect(context.model, &DSPModel::demoChanged, this, &ConsoleView::updateEnabled);
    // The moment moves on first, while nothing can be written, so the view of the device before
    // goes before the disabling of a lost link's page could commit what was typed in it.
    for (auto moved : {&DSPModel::momentChanged, &DSPModel::deviceChanged, &DSPModel::connectedChanged,
                       &DSPModel::demoChanged})
        connect(context.model, moved, this, &ConsoleView::leaveDevice);
    m_sidebar->setPage(m_page);
    showContent();
}

QWidget* ConsoleView::buildDetail() {
    auto* detail = new DetailBackground(this);
    auto* column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_statusBar =
        new StatusBar(*m_context.model, *m_context.link, *m_context.settings, detail, m_context.work);
    column->addWidget(m_statusBar);
    column->addWidget(new Rule(detail));
    m_pageArea = new QVBoxLayout;
    m_pageArea->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_pageArea, 1);
    return detail;
}

ConsoleView::~ConsoleView() = default;

void ConsoleView::showPage(const Page& page, const Navigator::FocusPick& focus) {
    const bool fresh = !(page == m_page);
    m_page = page;
    m_sidebar->setPage(page);
    // Every page change builds its view afresh; reselecting the same page keeps it.
    if (!fresh) return;
    // A page left from one of its own controls (a strip's edit button, a button in a panel
    // the page opened) hands the keys on to the new page; otherwise hiding the old page
    // would drop them into the sidebar or lose them.
    const bool keysInPage = m_view && opensOrHolds(*m_view, QApplication::focusWidget());
    leavePage();
    showContent();
    if (keysInPage) focusControl(focus);
}

void ConsoleView::focusControl(const Navigator::FocusPick& focus) {
    if (!m_view || !m_view->isVisible()) return;
    QWidget* control = focus ? focus(*m_view) : nullptr;
    if (!control) control = keyboardfocus::firstTabStop(*m_view);
    if (control) control->setFocus(Qt::OtherFocusReason);  // keeps the ring as the user works
}

bool ConsoleView::focusNextPrevChild(bool next) {
    // Parts made after one another (a new page, the status bar's new row) join the window's
    // focus chain at its end; Tab goes by the parts instead, so it meets the sidebar, the page
    // and the status bar in that order whatever was rebuilt last.
    QList<QWidget*> stops;
    for (QWidget* part :
         {static_cast<QWidget*>(m_sidebar), pageContent(), static_cast<QWidget*>(m_statusBar)})
        if (part) stops += keyboardfocus::reachableStops(*part);
    // The window's own focus: a control disabled while a dialog is in front hands it on too.
    const qsizetype at = stops.indexOf(window()->focusWidget());
    if (at < 0) return QWidget::focusNextPrevChild(next);  // the keys are in none of them
    const qsizetype step = next ? 1 : stops.size() - 1;
    stops[(at + step) % stops.size()]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool ConsoleView::showsReadingDisplay() const {
    return m_context.model->loading().has_value() && m_page.kind != Page::Kind::diagnostics;
}

void ConsoleView::leavePage() {
    if (!m_view) return;
    commitPendingEdits(m_view);
    dropView();
}

void ConsoleView::leaveDevice() {
    // A page built for another device, or holding typing for a link that went, goes without a
    // commit (nothing of it may reach the device now in front) and its unsaved text stays with
    // the device it was typed for; the page built again shows what the device holds. One built
    // before any device (nothing can be typed there) goes on with this one, unless this one
    // comes back with text typed for it before.
    const QString device = deviceInFront(*m_context.model);
    if (device == m_deviceKept.device()) return;
    const bool rebuild = m_view && pageNeedsDevice(m_page) &&
                         (holdsPendingEdits(*m_view) ||
                          (!m_viewDevice.isEmpty() && m_viewDevice != m_context.model->device()) ||
                          m_deviceKept.holdsFor(device));
    // The keys go on with the page built again, and from there where a lost link sends them.
    const bool keysInPage = rebuild && opensOrHolds(*m_view, QApplication::focusWidget());
    if (rebuild) dropView(false);
    m_deviceKept.setDevice(device);
    if (!rebuild) return;
    showContent();
    if (keysInPage) focusControl({});
}

KeptEdits& ConsoleView::keptFor(const Page& page) {
    return pageNeedsDevice(page) ? m_deviceKept : m_kept;
}

void ConsoleView::dropView(bool commitTyping) {
    // The store the view was built with.
    m_context.kept->takeFrom(*m_view);
    // Hiding the view takes the focus from its field, and leaving a field commits it.
    if (!commitTyping) forgetPendingEdits(*m_view);
    m_pageArea->removeWidget(m_view);
    m_view->hide();
    m_pageFocus.reset();
    retireFromAccessibility(*m_view);
    m_leftPages.append(m_view);
    m_view = nullptr;
    if (!m_dialogs->isOpen()) releaseLeftPages();
}

void ConsoleView::releaseLeftPages() {
    // Called outside every dialog's event loop, so the deletion waits for the loop the page
    // was left from, never for one that a page's own dialog runs.
    for (const QPointer<QWidget>& page : std::exchange(m_leftPages, {}))
        if (page) page->deleteLater();
}

void ConsoleView::showContent() {
    const bool reading = showsReadingDisplay();
    if (reading && !m_reading) {
        // Typed text goes to the device before the read-back's values come back.
        if (m_view) commitPendingEdits(m_view);
        holdPageFocus();
        m_reading = new ReadingDisplay;
        m_pageArea->addWidget(m_reading, 1);
    } else if (!reading && m_reading) {
        m_pageArea->removeWidget(m_reading);
        m_reading->hide();
        m_reading->deleteLater();
        m_reading = nullptr;
    }
    if (m_reading) m_reading->setProgress(*m_context.model->loading());
    if (!reading && !m_view) {
        m_context.kept = &keptFor(m_page);
        m_view = buildPageView(m_page, m_context, [this](int ch) { openChannel(ch); });
        m_viewDevice = m_context.model->device();
        m_context.kept->giveBack(*m_view);
        m_pageArea->addWidget(m_view, 1);
    }
    // The page hides before the reading display shows, and both change now rather than in a
    // later turn, so no frame has them side by side or an empty page area.
    if (m_view) m_view->setVisible(!reading);
    if (m_reading) m_reading->show();
    updateEnabled();
}

QWidget* ConsoleView::pageContent() const {
    return m_reading ? static_cast<QWidget*>(m_reading) : m_view;
}

void ConsoleView::updateEnabled() {
    if (!m_view) return;
    const DSPModel& model = *m_context.model;
    const bool enabled = model.connected() || model.demo() || !pageNeedsDevice(m_page);
    if (!enabled) holdPageFocus();
    QWidget* focused = window()->focusWidget();
    const bool pageHadKeys = focused && m_view->isAncestorOf(focused);
    m_view->setEnabled(enabled);
    // The keys that a lost link takes from the page wait on the status bar's next step (the
    // connection menu) rather than nowhere; the device coming back gives them to the page.
    if (pageHadKeys && !window()->focusWidget())
        if (QWidget* next = keyboardfocus::firstTabStop(*m_statusBar)) next->setFocus(Qt::OtherFocusReason);
    if (m_pageFocus && m_view->isVisible() && m_view->isEnabled())
        std::exchange(m_pageFocus, std::nullopt)->restore();
}

void ConsoleView::holdPageFocus() {
    // A page disabled while the link is down and then hidden for the read-back lets the keys
    // go only once: by the second time they are elsewhere already.
    if (m_view && !m_pageFocus) m_pageFocus.emplace(*m_view);
}
