// The channel editor in the connected window fits its tab area from the smallest window up:
// every tab of an input and an output channel takes the area's width, so nothing scrolls
// sideways, no control reaches past the viewport or under its scroll bar, no text is cut, and
// panels that wrap onto another line push what follows down rather than cover it.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include "app/ConsoleView.h"
#include "app/MainWindow.h"
#include "editor/ChannelView.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

TEST(ChannelFit, EveryTabOfAnInputAndAnOutputTakesTheAreasWidthFromTheSmallestWindowUp) {
    WindowRig rig;
    for (const int ch : {0, 4}) {
        rig.showPage(Page::channelPage(ch));
        for (const QString& tab : {ChannelTab::eq, ChannelTab::fir, ChannelTab::dynamics}) {
            auto* view = rig.page<ChannelView>();
            ASSERT_NE(view, nullptr);
            view->setTab(tab);
            for (const QSize size : {QSize(1600, 1000), QSize(1300, 800), MainWindow::kMinimumContent}) {
                // The offscreen screen is smaller than the smallest window a real screen allows.
                rig.window().resize(size + rig.window().size() - rig.console().size());
                rig.turn();
                SCOPED_TRACE(QStringLiteral("channel %1, %2, %3×%4")
                                 .arg(ch)
                                 .arg(tab)
                                 .arg(rig.window().width())
                                 .arg(rig.window().height())
                                 .toStdString());
                QScrollArea& area = *view->tabArea();
                EXPECT_LE(area.widget()->width(), area.viewport()->width());
                EXPECT_EQ(area.horizontalScrollBar()->maximum(), 0);
                EXPECT_EQ(kestrel_test::cutOffAtTheSides(*area.viewport()), "");
                EXPECT_EQ(kestrel_test::cutTexts(*area.widget()), "");
                EXPECT_EQ(kestrel_test::overlappingControls(*area.widget()), "");
                kestrel_test::saveScreenshot(rig.window(), QStringLiteral("channel-fit-%1-%2-%3")
                                                               .arg(ch)
                                                               .arg(tab.section(QLatin1Char(' '), 0, 0))
                                                               .arg(rig.window().width()));
            }
        }
    }
}
