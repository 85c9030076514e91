#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>

#include "link/LiveModel.h"
#include "pages/CrosspointInspector.h"
#include "pages/PageTesting.h"
#include "pages/RoutingView.h"
#include "support/ScriptedDialogs.h"
#include "support/WidgetTesting.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Theme.h"

using namespace pagetest;

namespace {

constexpr quint32 on = 0x100;
constexpr quint32 off = 0x101;

struct RoutingPage {
    livemodel::Offline device;
    kestrel_test::ScriptedDialogs dialogs;
    std::unique_ptr<RoutingView> view;

    // Read back from a device with every route off at 0 dB, or from one that answered nothing.
    explicit RoutingPage(int width = 1400, bool readBack = true) {
        if (readBack)
            for (const ParamMap::Grid& grid : ParamMap::grids())
                for (int n = 0; n < grid.count(); ++n)
                    model().write(grid.base + quint32(n), {bits(0.0f), off}, std::nullopt, false);
        view = std::make_unique<RoutingView>(model(), dialogs);
        view->resize(width, 760);
        view->show();
        turn();
    }
    DSPModel& model() { return *device.model; }
    CrosspointCell* cell(quint32 id) {
        for (GridView* grid : view->grids())
            for (CrosspointCell* c : grid->cells())
                if (c->id() == id) return c;
        return nullptr;
    }
    void doubleClick(quint32 id) { kestrel_test::doubleClick(*cell(id), QPointF(20, 13)); }
};

}  // namespace

TEST(RoutingViewTest, GridLocationCaptionsAndRouteVariable) {
    const auto location = ParamMap::gridLocation(275);
    ASSERT_TRUE(location);
    EXPECT_EQ(location->grid->caption(location->row, location->col), QStringLiteral("CHB → OUT2"));
    EXPECT_EQ(ParamMap::gridLocation(218)->grid->caption(0, 0), QStringLiteral("IN A → CH1"));
    EXPECT_FALSE(ParamMap::gridLocation(217));
    EXPECT_FALSE(ParamMap::gridLocation(330));

    EXPECT_EQ(RoutingView::parseRoute(QStringLiteral("275")), 275u);
    EXPECT_EQ(RoutingView::parseRoute(QStringLiteral("+275")), 275u);
    EXPECT_EQ(RoutingView::parseRoute(QStringLiteral("4294967295")), 4294967295u);
    for (const char* bad : {"", "275 ", " 275", "-1", "0x10", "4294967296", "27a"})
        EXPECT_FALSE(RoutingView::parseRoute(QString::fromLatin1(bad))) << bad;
}

TEST(RoutingViewTest, RouteVariablePreselectsAndOutOfRangeShowsTheHint) {
    qputenv("TSL_ROUTE", "+275");
    {
        RoutingPage page;
        EXPECT_EQ(page.view->selected(), 275u);
        EXPECT_EQ(page.view->inspector()->caption()->text(), QStringLiteral("CHB → OUT2"));
        EXPECT_FALSE(page.view->inspector()->emptyHint()->isVisible());
    }
    qputenv("TSL_ROUTE", "5000");
    {
        RoutingPage page;
        EXPECT_EQ(page.view->selected(), 5000u);
        EXPECT_TRUE(page.view->inspector()->emptyHint()->isVisible());
    }
    qunsetenv("TSL_ROUTE");
    RoutingPage page;
    EXPECT_FALSE(page.view->selected());
    EXPECT_TRUE(page.view->inspector()->emptyHint()->isVisible());
}

TEST(RoutingViewTest, GridsShareOneRowFromTheThresholdWidth) {
    const int besideGrids = 1 + CrosspointInspector::width;
    RoutingPage wide(RoutingView::oneRowWidth + besideGrids);
    EXPECT_EQ(wide.view->gridArea()->width(), RoutingView::oneRowWidth);
    EXPECT_TRUE(wide.view->isOneRow());
    const QList<GridView*>& grids = wide.view->grids();
    EXPECT_EQ(grids[0]->y(), grids[2]->y());
    EXPECT_LT(grids[1]->x(), grids[2]->x());

    wide.view->resize(RoutingView::oneRowWidth - 1 + besideGrids, 760);
    turn();
    EXPECT_FALSE(wide.view->isOneRow());
    EXPECT_GT(grids[2]->y(), grids[0]->y() + grids[0]->height());
    EXPECT_EQ(grids[1]->y(), grids[0]->y());
}

TEST(RoutingViewTest, ResetAndClearWriteEveryCrosspointAfterConfirmation) {
    RoutingPage page;
    DSPModel& model = page.model();
    model.write(219, {bits(-6.5f), on});
    model.write(218, {bits(-3.0f), off});
    QSignalSpy writes(&model, &DSPModel::paramChanged);

    page.view->grids()[0]->resetButton()->click();  // no answer queued: cancelled
    turn();                                         // asked once the click has returned
    EXPECT_EQ(writes.count(), 0);
    ASSERT_EQ(page.dialogs.asked.size(), 1);
    EXPECT_EQ(page.dialogs.asked[0].title, QStringLiteral("Reset \"Inputs → Input channels\"?"));
    EXPECT_EQ(page.dialogs.asked[0].defaultButton, Dialogs::DefaultButton::cancel);

    page.dialogs.confirmAnswers.enqueue(true);
    page.view->grids()[0]->resetButton()->click();
    turn();
    ASSERT_EQ(writes.count(), 16);
    for (int i = 0; i < 16; ++i) {
        const quint32 p = 218 + quint32(i);
        EXPECT_EQ(writes[i][0].toUInt(), p);
        const bool diagonal = p == 218 || p == 223 || p == 228 || p == 233;
        EXPECT_EQ(model.words(p, 2)[1], diagonal ? on : off) << p;
        if (diagonal) {
            EXPECT_EQ(model.words(p, 2)[0], bits(0.0f)) << p;
        }
    }
    EXPECT_EQ(levelWord(model, 219, 0), -6.5f);  // switched off, level kept

    model.write(270, {bits(4.0f), on});
    page.dialogs.confirmAnswers.enqueue(true);
    page.view->grids()[2]->clearButton()->click();
    turn();
    EXPECT_EQ(page.dialogs.asked.last().title, QStringLiteral("Clear \"Output channels → Outputs\"?"));
    EXPECT_EQ(
        page.dialogs.asked.last().text,
        QStringLiteral("Every connection in this grid will be switched off. Audio through it will stop."));
    for (quint32 p = 266; p <= 329; ++p) EXPECT_FALSE(model.crosspoint(p).on) << p;
    EXPECT_EQ(levelWord(model, 270, 0), 4.0f);
}

TEST(RoutingViewTest, DoubleClickSelectsAndSwitchesTheStateTheSquareShowed) {
    RoutingPage page;
    DSPModel& model = page.model();
    page.doubleClick(230);  // off at 0.0
    EXPECT_EQ(page.view->selected(), 230u);
    EXPECT_EQ(model.words(230, 0), (DSPModel::Words{bits(0.0f), on}));

    model.write(231, {bits(-12.0f), 0});  // word 1 of 0 reads as on
    turn();
    EXPECT_TRUE(page.cell(231)->toolTip().startsWith(QStringLiteral("On, -12.0 dB")));
    page.doubleClick(231);
    EXPECT_EQ(model.words(231, 0), (DSPModel::Words{bits(-12.0f), off}));
    turn();
    EXPECT_EQ(page.cell(231)->toolTip(), QStringLiteral("Off — double-click to switch on"));

    // A single click only selects, and the inspector follows at once.
    kestrel_test::sendMouse(*page.cell(275), QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton,
                            Qt::LeftButton);
    EXPECT_EQ(page.view->inspector()->caption()->text(), QStringLiteral("CHB → OUT2"));
    EXPECT_EQ(model.words(275, 0), (DSPModel::Words{bits(0.0f), off}));

    // A crosspoint the device never reported would be switched on at an invented level.
    RoutingPage unread(1400, false);
    EXPECT_FALSE(unread.cell(230)->isEnabled());
    unread.doubleClick(230);
    unread.view->select(230);
    EXPECT_FALSE(unread.view->inspector()->connectedToggle()->isEnabled());
    EXPECT_EQ(unread.view->inspector()->levelField()->lineEdit()->text(), QStringLiteral("—"));
    EXPECT_FALSE(unread.model().holds(230));
}

// Assistive tools meet each square as a check box named by its route: pressing it selects
// it and toggling it switches it, as a click and a double-click do.
TEST(RoutingViewTest, SquaresAreCheckBoxesThatSelectAndSwitch) {
    RoutingPage page;
    DSPModel& model = page.model();
    QAccessibleInterface* square = QAccessible::queryAccessibleInterface(page.cell(275));
    ASSERT_NE(square, nullptr);
    ASSERT_NE(square->actionInterface(), nullptr);
    EXPECT_EQ(square->role(), QAccessible::CheckBox);
    EXPECT_EQ(square->text(QAccessible::Name), QStringLiteral("CHB → OUT2"));
    EXPECT_FALSE(square->state().checked);
    square->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(page.view->selected(), 275u);
    EXPECT_EQ(model.words(275, 0), (DSPModel::Words{bits(0.0f), off}));
    square->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(model.words(275, 0), (DSPModel::Words{bits(0.0f), on}));
    turn();
    EXPECT_TRUE(square->state().checked);
}

TEST(RoutingViewTest, InspectorClampsRoundsAndKeepsTheOtherWord) {
    RoutingPage page;
    DSPModel& model = page.model();
    page.view->select(240);
    CrosspointInspector& inspector = *page.view->inspector();
    QLineEdit* field = inspector.levelField()->lineEdit();

    typeInto(field, QStringLiteral("-4"));  // the level is written, still off
    EXPECT_EQ(model.words(240, 0), (DSPModel::Words{bits(-4.0f), off}));

    struct Typed {
        const char* text;
        float stored;
    };
    for (const Typed& t : {Typed{"20", 12.0f}, Typed{"-100", -60.0f}, Typed{"3.25", 3.3f},
                           Typed{"-0.05", -0.1f}, Typed{"2,5", 2.5f}}) {
        typeInto(field, QString::fromLatin1(t.text));
        EXPECT_EQ(levelWord(model, 240, 0), t.stored) << t.text;
        EXPECT_EQ(model.words(240, 2)[1], off) << t.text;
    }
    typeInto(field, QStringLiteral("loud"));
    EXPECT_EQ(levelWord(model, 240, 0), 2.5f);

    inspector.connectedToggle()->click();
    EXPECT_EQ(model.words(240, 0), (DSPModel::Words{bits(2.5f), on}));
    turn();
    EXPECT_EQ(field->text(), QStringLiteral("2.5"));

    Encoder* knob = inspector.knob();
    kestrel_test::doubleClick(*knob, QPointF(knob->width() / 2.0, knob->height() / 2.0));
    EXPECT_EQ(model.words(240, 0), (DSPModel::Words{bits(0.0f), on}));

    model.write(241, {bits(-7.0f), on});
    page.view->select(241);
    EXPECT_TRUE(inspector.connectedToggle()->isChecked());
    EXPECT_EQ(field->text(), QStringLiteral("-7.0"));
    EXPECT_EQ(inspector.caption()->text(), QStringLiteral("CH4 → CHB"));
}

TEST(RoutingViewTest, ResetGoesToTheDeviceInParameterOrder) {
    livemodel::Live live;
    kestrel_test::ScriptedDialogs dialogs;
    RoutingView view(*live.model, dialogs);
    const qsizetype mark = live.sim.received().size();
    dialogs.confirmAnswers.enqueue(true);
    view.grids()[0]->resetButton()->click();
    ASSERT_TRUE(live.waitForFrames(mark, 5, 16));
    QList<quint32> order;
    for (const DSPFrame& frame : live.sentAfter(mark, 5)) order.append(frame.words[1]);
    QList<quint32> expected;
    for (quint32 p = 218; p <= 233; ++p) expected.append(p);
    EXPECT_EQ(order, expected);
}

TEST(RoutingViewTest, GridsAndInspectorAreWholeAtTheNarrowAndTheWideWidth) {
    Theme::apply(*qApp);
    RoutingPage page(1460);
    page.model().enterDemo();
    page.view->select(275);
    turn();
    EXPECT_EQ(kestrel_test::cutOffAtTheSides(*page.view), "");
    kestrel_test::saveScreenshot(*page.view, QStringLiteral("pages_routing_wide"));
    page.view->resize(1000, 760);
    page.view->select(230);
    turn();
    EXPECT_EQ(kestrel_test::cutOffAtTheSides(*page.view), "");
    kestrel_test::saveScreenshot(*page.view, QStringLiteral("pages_routing_narrow"));
}
