// A keyboard user never loses sight of the focus: in the connected window, at a roomy size and
// at the smallest one, every stop of Tab and Shift+Tab round the window (into a pane from
// outside too, with the pane scrolled the other way) lies whole inside everything around it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/ConsoleView.h"
#include "app/MainWindow.h"
#include "app/Sidebar.h"
#include "support/AccessibleRoles.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"

using kestrel_test::describeControl;
using kestrel_test::WindowRig;

namespace {

// The first widget around the control, up to the window, that does not hold the control
// whole (a pane scrolled elsewhere, a page narrower than its content), or none.
QWidget* cutBy(QWidget* control) {
    QRect r = control->rect();
    for (QWidget* w = control; !w->isWindow(); w = w->parentWidget()) {
        r.translate(w->pos());
        if (!w->parentWidget()->rect().adjusted(-1, -1, 1, 1).contains(r)) return w->parentWidget();
    }
    return nullptr;
}

struct Walker {
    WindowRig& rig;

    void press(int key) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        rig.turn();
    }
    // Walks round the window from the sidebar with the key and names every stop out of sight.
    void walk(int key) {
        QWidget* start = rig.console().sidebar();
        kestrel_test::tabRound(
            start, [&] { press(key); },
            [&](QWidget* stop) {
                if (QWidget* cut = cutBy(stop))
                    ADD_FAILURE() << describeControl(stop).toStdString() << " lies outside "
                                  << cut->metaObject()->className() << " " << cut->objectName().toStdString();
            });
    }
};

class FocusInView : public ::testing::TestWithParam<Page> {};

}  // namespace

TEST_P(FocusInView, EveryStopOfTabAndShiftTabLiesInSightAtEverySize) {
    WindowRig rig;
    rig.showPage(GetParam());
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    Walker walker{rig};
    for (const QSize size : {QSize(1600, 1000), MainWindow::kMinimumContent}) {
        // The offscreen screen is smaller than the smallest window a real screen allows.
        rig.window().resize(size + rig.window().size() - rig.console().size());
        rig.turn();
        SCOPED_TRACE(
            QStringLiteral("%1×%2").arg(rig.window().width()).arg(rig.window().height()).toStdString());
        SCOPED_TRACE("Tab");
        walker.walk(Qt::Key_Tab);
        SCOPED_TRACE("Shift+Tab");
        walker.walk(Qt::Key_Backtab);
    }
}

std::string pageName(const ::testing::TestParamInfo<Page>& info) {
    const char* names[] = {"channel", "mixer", "routing",  "sources",    "presets",
                           "device",  "codes", "designer", "diagnostics"};
    return names[int(info.param.kind)];
}

INSTANTIATE_TEST_SUITE_P(Pages, FocusInView,
                         ::testing::Values(Page::of(Page::Kind::mixer), Page::channelPage(0),
                                           Page::of(Page::Kind::routing), Page::of(Page::Kind::firDesigner)),
                         pageName);
