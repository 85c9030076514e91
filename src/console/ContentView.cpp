#include "console/ContentView.h"

#include <QHBoxLayout>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "console/NetworkPanel.h"
#include "console/TrafficPanel.h"
#include "console/USBPanel.h"
#include "ui/AppContext.h"
#include "ui/input/KeptEdits.h"

namespace {

constexpr int toolsMinimumWidth = 380;
constexpr int toolsIdealWidth = 420;
// Beside the sidebar's full width in the smallest window: both panes and the sidebar fit
// whole in 1100 points, the traffic's note field giving up a little of its width.
constexpr int trafficMinimumWidth = 500;
constexpr int toolsMargin = 8;

}  // namespace

ContentView::ContentView(const AppContext& context, QWidget* parent)
    : QWidget(parent),
      splitter_(new QSplitter(Qt::Horizontal, this)),
      tabs_(new QTabWidget),
      usb_(new USBPanel(*context.hid)),
      network_(new NetworkPanel(*context.udp, *context.tcp)),
      traffic_(new TrafficPanel(*context.log, *context.dialogs)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);

    auto* tools = new QWidget;
    auto* toolsLayout = new QVBoxLayout(tools);
    toolsLayout->setContentsMargins(toolsMargin, toolsMargin, toolsMargin, toolsMargin);
    toolsLayout->addWidget(tabs_);
    tools->setMinimumWidth(toolsMinimumWidth);
    tabs_->setAccessibleName(QStringLiteral("Tools"));
    tabs_->addTab(usb_, QStringLiteral("USB"));
    tabs_->addTab(network_, QStringLiteral("Network"));
    tabs_->setCurrentIndex(usbTab);
    keepTab(context.kept);

    traffic_->setMinimumWidth(trafficMinimumWidth);
    splitter_->addWidget(tools);
    splitter_->addWidget(traffic_);
    splitter_->setChildrenCollapsible(false);
    splitter_->handle(1)->setAccessibleName(QStringLiteral("Tools and traffic divider"));
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({toolsIdealWidth, 1 << 20});
}

void ContentView::keepTab(KeptEdits* kept) {
    // The page is built afresh at every page switch; the user comes back to the tab they left,
    // where what they typed is kept too.
    if (!kept) return;
    const QString key = QStringLiteral("console.tab");
    setTab(kept->choice<int>(key).value_or(usbTab));
    connect(tabs_, &QTabWidget::currentChanged, this,
            [kept, key](int tab) { kept->setChoice(key, std::optional(tab)); });
}

int ContentView::tab() const {
    return tabs_->currentIndex();
}

void ContentView::setTab(int tab) {
    tabs_->setCurrentIndex(tab);
}
