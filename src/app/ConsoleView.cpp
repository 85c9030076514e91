#include "app/ConsoleView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/Navigator.h"
#include "app/PageFactory.h"
#include "app/ReadingDisplay.h"
#include "app/Sidebar.h"
#include "app/StatusBar.h"
#include "app/controls/Palette.h"
#include "link/DSPModel.h"

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

}  // namespace

ConsoleView::ConsoleView(AppContext context, Page start, QWidget* parent)
    : QWidget(parent), m_context(context), m_page(start) {
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

    connect(m_sidebar, &Sidebar::pageSelected, this, &ConsoleView::showPage);
    if (context.navigator)
        connect(context.navigator, &Navigator::pageRequested, this, &ConsoleView::showPage);
    connect(context.model, &DSPModel::loadingChanged, this, &ConsoleView::loadingChanged);
    connect(context.model, &DSPModel::connectedChanged, this, &ConsoleView::updateEnabled);
    connect(context.model, &DSPModel::demoChanged, this, &ConsoleView::updateEnabled);
    m_sidebar->setPage(m_page);
    rebuildContent();
}

QWidget* ConsoleView::buildDetail() {
    auto* detail = new DetailBackground(this);
    auto* column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_statusBar = new StatusBar(*m_context.model, *m_context.link, *m_context.settings, detail);
    column->addWidget(m_statusBar);
    column->addWidget(new Rule(detail));
    m_pageArea = new QVBoxLayout;
    m_pageArea->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_pageArea, 1);
    return detail;
}

void ConsoleView::showPage(const Page& page) {
    const bool fresh = !(page == m_page);
    m_page = page;
    m_sidebar->setPage(page);
    // Every page change builds its view afresh; reselecting the same page keeps it.
    if (fresh) rebuildContent();
}

bool ConsoleView::showsReadingDisplay() const {
    return m_context.model->loading().has_value() && m_page.kind != Page::Kind::diagnostics;
}

void ConsoleView::rebuildContent() {
    if (m_content) {
        m_pageArea->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
    }
    if (showsReadingDisplay()) {
        auto* reading = new ReadingDisplay;
        reading->setProgress(*m_context.model->loading());
        m_content = reading;
    } else {
        m_content = buildPageView(m_page, m_context, [this](int ch) { openChannel(ch); });
    }
    m_pageArea->addWidget(m_content, 1);
    // Shown now, not in a later turn, so no frame shows an empty page area.
    m_content->show();
    updateEnabled();
}

ReadingDisplay* ConsoleView::readingDisplay() const {
    return qobject_cast<ReadingDisplay*>(m_content);
}

void ConsoleView::loadingChanged() {
    ReadingDisplay* reading = readingDisplay();
    if (reading && showsReadingDisplay()) {
        reading->setProgress(*m_context.model->loading());
    } else if (bool(reading) != showsReadingDisplay()) {
        rebuildContent();
    }
}

void ConsoleView::updateEnabled() {
    if (!m_content || readingDisplay()) return;
    const DSPModel& model = *m_context.model;
    m_content->setEnabled(model.connected() || model.demo() || !pageNeedsDevice(m_page));
}
