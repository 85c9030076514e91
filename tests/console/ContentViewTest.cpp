#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSplitter>
#include <QTabWidget>

#include "console/ContentView.h"
#include "console/TrafficPanel.h"
#include "shell/PageFactory.h"
#include "support/ConsoleRig.h"
#include "ui/AppContext.h"
#include "ui/Page.h"

using kestrel_test::ConsoleRig;

TEST(ContentView, ToolsBesideTheTrafficPanel) {
    ConsoleRig rig;
    std::unique_ptr<QWidget> page(buildPageView(Page::of(Page::Kind::diagnostics), rig.context, {}));
    auto* view = qobject_cast<ContentView*>(page.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->tab(), ContentView::usbTab);
    EXPECT_EQ(view->tabs()->tabText(0), "USB");
    EXPECT_EQ(view->tabs()->tabText(1), "Network");

    view->resize(1100, 700);
    view->show();
    QCoreApplication::processEvents();
    const QList<int> sizes = view->splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_NEAR(sizes[0], 420, 1);
    EXPECT_GE(sizes[1], 500);
    // Narrow windows keep both panes at their minimum widths.
    view->resize(600, 700);
    QCoreApplication::processEvents();
    EXPECT_GE(view->splitter()->widget(0)->width(), 380);
    EXPECT_GE(view->trafficPanel()->width(), 500);
}
