// The channel editor in the connected window fits its tab area from the smallest window up:
// every tab of an input and an output channel takes the area's width, so nothing scrolls
// sideways, no control reaches past the viewport or under its scroll bar, no text is cut, and
// panels that wrap onto another line push what follows down rather than cover it.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include "editor/ChannelView.h"
#include "editor/FIRBox.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/PanelGroupBox.h"

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
                rig.resizeContent(size);
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

// Where the FIR tab is wide enough its two panels stand side by side, tops level, the new
// filter's panel reaching the tab's right side; where it is not, that panel goes under the
// stored one and takes the tab's whole width.
TEST(ChannelFit, TheFIRPanelsStandSideBySideWhereTheyFitAndOneUnderTheOtherWhereNot) {
    WindowRig rig;
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    rig.showPage(Page::channelPage(4));
    auto* view = rig.page<ChannelView>();
    ASSERT_NE(view, nullptr);
    QWidget& content = *view->tabContent();
    const auto panel = [&](const QString& title) {
        for (PanelGroupBox* p : content.findChildren<PanelGroupBox*>())
            if (p->titleLabel()->text().compare(title, Qt::CaseInsensitive) == 0)
                return QRect(p->mapTo(&content, QPoint()), p->size());
        ADD_FAILURE() << "no panel " << title.toStdString();
        return QRect();
    };
    const int padding = 16;
    const int spacing = 14;
    const int stored300 = 300 + 2 * PanelGroupBox::padding;  // 300 inside, where its graph is

    rig.resizeContent(QSize(1600, 1000));
    QRect stored = panel(QStringLiteral("In the DSP now"));
    QRect load = panel(QStringLiteral("Load a new FIR"));
    EXPECT_NEAR(stored.width(), stored300, 1);
    EXPECT_EQ(load.top(), stored.top());
    EXPECT_NEAR(load.left(), stored.right() + 1 + spacing, 1);
    EXPECT_NEAR(load.right() + 1, content.width() - padding, 1);

    rig.resizeContent(MainWindow::kMinimumContent);
    stored = panel(QStringLiteral("In the DSP now"));
    load = panel(QStringLiteral("Load a new FIR"));
    EXPECT_NEAR(stored.width(), stored300, 1);
    EXPECT_NEAR(load.top(), stored.bottom() + 1 + spacing, 1);
    EXPECT_EQ(load.left(), stored.left());
    EXPECT_NEAR(load.right() + 1, content.width() - padding, 1);
}
