#include <gtest/gtest.h>

#include "app/ConsoleView.h"
#include "app/MainWindow.h"
#include "app/ReadingDisplay.h"
#include "link/DSPModel.h"
#include "pages/RoutingView.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

namespace {

// The share of pixels that differ between two images of one size.
double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) differing += x.pixel(col, row) != y.pixel(col, row);
    return double(differing) / (qint64(x.width()) * x.height());
}

}  // namespace

// What the user sees through a read-back: the reading display, then the page, with none of
// the reading display's pixels left behind.
TEST(WindowLifetime, ReadBackShowsTheReadingDisplayThenThePage) {
    WindowRig rig;
    rig.showPage(Page::of(Page::Kind::routing));
    ASSERT_NE(rig.page<RoutingView>(), nullptr);
    const QRect area = rig.onScreenRect(*rig.pageView());
    const QImage before = rig.onScreen().copy(area);

    rig.simulator.faults().commandDelayMs.insert(6, 2);  // parameter reads take a while
    const qsizetype mark = rig.mark();
    ASSERT_TRUE(rig.startReadBack());
    ASSERT_NE(rig.console().readingDisplay(), nullptr);
    const QImage during = rig.onScreen().copy(area);
    EXPECT_GT(differingShare(before, during), 0.01);
    ASSERT_TRUE(rig.finishReadBack());
    rig.turn();
    EXPECT_GT(rig.receivedSince(mark, 6).size(), 300);
    ASSERT_NE(rig.page<RoutingView>(), nullptr);
    EXPECT_LT(differingShare(before, rig.onScreen().copy(area)), 0.001);
}
