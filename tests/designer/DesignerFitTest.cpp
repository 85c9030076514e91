// The designer in the connected window fits its panes from the smallest window up: the steps
// take the left pane's width without sideways scrolling, the send bar takes the right pane's,
// and no button, field or label is cut.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include "designer/FIRDesignerView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"

using kestrel_test::WindowRig;

namespace {

// Channels with long names of their own, as a user gives them.
WindowRig::Options longNames() {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& simulator) {
        const char* names[] = {"Monitor",   "Lectern",    "Playback", "Choir",
                               "Rear fill", "Front fill", "Balcony"};
        for (int ch = 0; ch < 7; ++ch)
            simulator.device().params[quint32(378 + ch)] =
                DSPFrame::packString(QString::fromUtf8(names[ch]), 2);
    };
    return options;
}

}  // namespace

TEST(DesignerFit, StepsAndSendBarTakeTheirPanesWidthAndCutNothingFromTheSmallestWindowUp) {
    WindowRig rig(longNames());
    rig.showPage(Page::of(Page::Kind::firDesigner));
    auto* view = rig.page<FIRDesignerView>();
    ASSERT_NE(view, nullptr);
    auto* pane = view->findChild<QScrollArea*>(QStringLiteral("leftPane"));
    ASSERT_NE(pane, nullptr);
    FIRSendBar& bar = *view->sendBar();
    view->sendBar()->setTargets({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    for (const QSize size : {QSize(1600, 1000), MainWindow::kMinimumContent}) {
        rig.resizeContent(size);
        SCOPED_TRACE(
            QStringLiteral("%1×%2").arg(rig.window().width()).arg(rig.window().height()).toStdString());

        EXPECT_LE(pane->widget()->width(), pane->viewport()->width());
        EXPECT_EQ(pane->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(kestrel_test::cutOffAtTheSides(*pane->viewport()), "");
        EXPECT_EQ(kestrel_test::cutTexts(*pane->widget()), "");

        EXPECT_EQ(kestrel_test::cutOffAtTheSides(bar), "");
        EXPECT_EQ(kestrel_test::cutTexts(bar), "");
        EXPECT_LE(bar.mapTo(view, QPoint(bar.width(), 0)).x(), view->width());
        kestrel_test::saveScreenshot(rig.window(),
                                     QStringLiteral("designer-fit-%1").arg(rig.window().width()));
    }
}
