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
#include "editor/FIRBox.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

TEST(ChannelFit, EveryTabOfAnInputAndAnOutputTakesTheAreasWidthFromTheSmallestWindowUp) {
    WindowRig rig;
    // Each tab, the FIR tab with each of its sources' controls.
    const QList<std::pair<QString, FIRBox::Source>> shown{{ChannelTab::eq, FIRBox::Source::designer},
                                                          {ChannelTab::fir, FIRBox::Source::designer},
                                                          {ChannelTab::fir, FIRBox::Source::file},
                                                          {ChannelTab::fir, FIRBox::Source::filter},
                                                          {ChannelTab::dynamics, FIRBox::Source::designer}};
    for (const int ch : {0, 4}) {
        rig.showPage(Page::channelPage(ch));
        for (const auto& [tab, source] : shown) {
            auto* view = rig.page<ChannelView>();
            ASSERT_NE(view, nullptr);
            rig.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(source));
            view->setTab(tab);
            const QString name = QStringLiteral("channel-fit-%1-%2-%3")
                                     .arg(ch)
                                     .arg(tab.section(QLatin1Char(' '), 0, 0))
                                     .arg(FIRBox::sourceText(source).section(QLatin1Char(' '), -1));
            for (const QSize size : {QSize(1600, 1000), QSize(1300, 800), MainWindow::kMinimumContent}) {
                // The offscreen screen is smaller than the smallest window a real screen allows.
                rig.window().resize(size + rig.window().size() - rig.console().size());
                rig.turn();
                SCOPED_TRACE(QStringLiteral("%1, %2×%3")
                                 .arg(name)
                                 .arg(rig.window().width())
                                 .arg(rig.window().height())
                                 .toStdString());
                QScrollArea& area = *view->tabArea();
                EXPECT_LE(area.widget()->width(), area.viewport()->width());
                EXPECT_EQ(area.horizontalScrollBar()->maximum(), 0);
                EXPECT_EQ(kestrel_test::cutOffAtTheSides(*area.viewport()), "");
                EXPECT_EQ(kestrel_test::cutTexts(*area.widget()), "");
                EXPECT_EQ(kestrel_test::overlappingControls(*area.widget()), "");
                kestrel_test::saveScreenshot(rig.window(),
                                             name + QStringLiteral("-%1").arg(rig.window().width()));
            }
        }
    }
}
