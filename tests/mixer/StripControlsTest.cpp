#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <bit>

#include "mixer/ChannelStrip.h"
#include "mixer/GroupPicker.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/MixerView.h"
#include "mixer/QuickButtons.h"
#include "support/DemoModel.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/ModelWatcher.h"
#include "ui/Navigator.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/Popover.h"
#include "ui/controls/Theme.h"

using namespace kestrel_test;

namespace {

void settle() {
    QCoreApplication::processEvents();
}

void click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
}

QStringList labels(const QuickButtons& quick, const QList<QuickButtons::Quick>& list) {
    QStringList out;
    for (const auto& q : list) {
        if (quick.button(q.label)) out << q.label;
    }
    return out;
}

QAction* action(QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text) return a;
    return nullptr;
}

}  // namespace

class StripControlsTest : public ::testing::Test {
protected:
    DemoModel dsp;
    DSPModel::Words words(quint32 number, int count) const { return dsp->words(number, count); }
};

TEST_F(StripControlsTest, TogglesPerKindWriteTheOppositeStateAndKeepTheRestOfTheirWords) {
    QuickButtons in(*dsp, 1);
    QuickButtons quick(*dsp, 5);
    EXPECT_EQ(labels(in, QuickButtons::toggles(*dsp, 1)), (QStringList{"Ø", "N", "D", "F"}));
    EXPECT_NE(in.sourceButton(), nullptr);
    EXPECT_EQ(labels(quick, QuickButtons::toggles(*dsp, 5)), (QStringList{"Ø", "E", "D", "F", "C", "L"}));
    EXPECT_EQ(quick.sourceButton(), nullptr);

    const quint32 flags = words(6, 2)[1];
    click(quick.button(QStringLiteral("Ø")));
    EXPECT_EQ(words(6, 2)[1], flags ^ 0x100);  // the mute bit stays
    click(quick.button(QStringLiteral("Ø")));
    EXPECT_EQ(words(6, 2)[1], flags);

    dsp->write(335, {std::bit_cast<quint32>(12.5f), 0});
    settle();
    EXPECT_TRUE(quick.button(QStringLiteral("D"))->toolTip().endsWith(QStringLiteral(" — on")));
    click(quick.button(QStringLiteral("D")));
    EXPECT_EQ(words(335, 2), (DSPModel::Words{std::bit_cast<quint32>(12.5f), 1}));
    EXPECT_EQ(quick.button(QStringLiteral("D"))->toolTip(), QStringLiteral("Delay — off"));

    const bool eqActive = !dsp->eqBypassed().contains(5);
    click(quick.button(QStringLiteral("E")));
    EXPECT_EQ(dsp->eqBypassed().contains(5), eqActive);

    const bool compressorOn = dsp->compressor(5).on;
    click(quick.button(QStringLiteral("C")));
    EXPECT_EQ(dsp->compressor(5).on, !compressorOn);
    const bool limiterOn = dsp->limiter(5).on;
    click(quick.button(QStringLiteral("L")));
    EXPECT_EQ(dsp->limiter(5).on, !limiterOn);
}

TEST_F(StripControlsTest, GroupedTogglesShareAllButTheFIR) {
    dsp->setGroup(0, 1);
    dsp->setGroup(2, 1);
    QuickButtons quick(*dsp, 2);
    const quint32 firOfZero = words(391, 1)[0];
    click(quick.button(QStringLiteral("F")));
    EXPECT_EQ(words(391 + 2, 1)[0], firOfZero == 0 ? 1u : 0u);
    EXPECT_EQ(words(391, 1)[0], firOfZero);  // the other member keeps its FIR

    click(quick.button(QStringLiteral("N")));
    EXPECT_EQ(words(214 + 2, 1), words(214, 1));
    EXPECT_EQ(quick.button(QStringLiteral("N"))->toolTip().endsWith(QStringLiteral("— off")),
              words(216, 1)[0] != 0);
}

TEST_F(StripControlsTest, GroupPickerJoinsCopiesAndLeaves) {
    GroupPicker picker(*dsp, 9);
    EXPECT_EQ(picker.text(), QStringLiteral("Grp –"));
    dsp->write(6, {std::bit_cast<quint32>(-7.0f), 0x100});
    dsp->setGroup(5, 3);
    picker.menu()->actions().at(4)->trigger();  // "Group 3"
    settle();
    EXPECT_EQ(picker.text(), QStringLiteral("Grp 3"));
    // No item is marked as current, and the menu opens on it all the same.
    for (const QAction* item : picker.menu()->actions())
        EXPECT_FALSE(item->isCheckable()) << item->text().toStdString();
    ASSERT_NE(startingEntry(*picker.menu()), nullptr);
    EXPECT_EQ(startingEntry(*picker.menu())->text(), QStringLiteral("Group 3"));
    EXPECT_EQ(words(10, 2), words(6, 2));  // channel 9 took channel 5's settings

    ChannelStrip strip(*dsp, nullptr, 9);
    settle();
    EXPECT_EQ(strip.header()->group(), 3);
    EXPECT_TRUE(strip.header()->groupBadge()->isVisibleTo(&strip));
    EXPECT_EQ(strip.header()->groupBadge()->toolTip(), QStringLiteral("Group 3"));
    picker.menu()->actions().at(0)->trigger();  // "No group"
    settle();
    EXPECT_EQ(picker.text(), QStringLiteral("Grp –"));
    EXPECT_FALSE(strip.header()->group().has_value());
    EXPECT_FALSE(strip.header()->groupBadge()->isVisibleTo(&strip));
    EXPECT_EQ(dsp->groupOf().value(5), 3);  // the others stay grouped
}

// The pixels where the picker's look differs from the bare button's, its label or its arrow.
static QSet<QPoint> drawnOver(const QImage& bare, const QImage& drawn) {
    QSet<QPoint> points;
    for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x)
            if (bare.pixel(x, y) != drawn.pixel(x, y)) points.insert(QPoint(x, y));
    return points;
}

// The group label stays clear of the menu arrow beside it, with a pixel of air, whatever it
// reads; a strip too narrow for both shows the label whole.
TEST_F(StripControlsTest, GroupPickerLabelClearsItsMenuArrow) {
    Theme::apply(*qApp);
    for (std::optional<int> group : {std::optional<int>(), std::optional<int>(3)}) {
        dsp->setGroup(9, group);
        GroupPicker picker(*dsp, 9);
        settle();
        picker.resize(picker.sizeHint());
        QMenu* menu = picker.menu();
        const QString label = picker.text();
        const auto look = [&](bool withLabel, bool withArrow) {
            picker.setText(withLabel ? label : QString());
            picker.setMenu(withArrow ? menu : nullptr);
            return picker.grab().toImage();
        };
        const QImage bare = look(false, false);
        const QImage labelOnly = look(true, false);
        const QSet<QPoint> text = drawnOver(bare, labelOnly);
        const QSet<QPoint> arrow = drawnOver(labelOnly, look(true, true));
        ASSERT_FALSE(text.isEmpty());
        ASSERT_FALSE(arrow.isEmpty());
        int touching = 0;
        for (const QPoint& p : arrow)
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) touching += text.contains(p + QPoint(dx, dy));
        EXPECT_EQ(touching, 0) << label.toStdString();
        picker.setText(label);
        picker.setMenu(menu);
        const auto span = [](const QSet<QPoint>& points) {
            int left = INT_MAX, right = INT_MIN;
            for (const QPoint& p : points) {
                left = std::min(left, p.x());
                right = std::max(right, p.x());
            }
            return right - left;
        };
        picker.resize(picker.sizeHint().width() - 10, picker.height());
        const QImage narrowBare = look(false, false);
        EXPECT_NEAR(span(drawnOver(narrowBare, look(true, true))), span(text), 1) << label.toStdString();
        picker.setText(label);
        picker.setMenu(menu);
        picker.resize(picker.sizeHint());
        kestrel_test::saveScreenshot(picker, QStringLiteral("mixer-group-picker"));
    }
}

TEST_F(StripControlsTest, InputPanelSetsPhaseMuteAndSource) {
    Navigator navigator;
    QSignalSpy pages(&navigator, &Navigator::pageRequested);
    InputPanel panel(*dsp, &navigator, 1);
    const quint32 flags = words(2, 2)[1];
    click(panel.muteToggle());
    EXPECT_EQ(words(2, 2)[1], flags ^ 1);
    click(panel.phaseToggle());
    EXPECT_EQ(words(2, 2)[1], flags ^ 1 ^ 0x100);
    EXPECT_TRUE(panel.muteToggle()->isOn());

    click(panel.sourceButton(InputSource::aes));
    EXPECT_EQ(dsp->inputSource(1), InputSource::aes);
    EXPECT_EQ(words(351, 1)[0], 2u);
    EXPECT_EQ(panel.sourceButton(InputSource::aes)->look().text, QColor(Qt::black));
    EXPECT_EQ(panel.sourceButton(InputSource::aes)->toolTip(), QStringLiteral("Use the AES input"));

    click(panel.settingsButton());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].at(0).value<Page>(), Page::of(Page::Kind::sources));
}

TEST_F(StripControlsTest, TestSignalShowsAndTurnsOffToTheKeptSource) {
    InputQuickMenu source(*dsp, 3);
    InputPanel panel(*dsp, nullptr, 3);
    for (const auto& [kept, expected] :
         {std::pair{1u, InputSource::dante}, std::pair{7u, InputSource::analog}}) {
        dsp->write(349, {1});
        dsp->write(353, {kept});
        settle();
        EXPECT_EQ(source.text(), QStringLiteral("TEST"));
        EXPECT_EQ(source.look().text, Theme::systemOrange());
        EXPECT_EQ(panel.testSignalStatus()->text(), QStringLiteral("On — the generator feeds this input"));
        EXPECT_FALSE(panel.turnOffButton()->isHidden());
        for (InputSource s : {InputSource::analog, InputSource::aes, InputSource::dante})
            EXPECT_NE(panel.sourceButton(s)->look().text, QColor(Qt::black));

        QMenu menu;
        addStripQuickMenuItems(menu, *dsp, 3);
        ASSERT_NE(action(menu, QStringLiteral("Test Signal")), nullptr);
        EXPECT_TRUE(action(menu, QStringLiteral("Test Signal"))->isChecked());

        click(panel.turnOffButton());
        EXPECT_EQ(dsp->inputSource(3), expected);
        EXPECT_EQ(panel.testSignalStatus()->text(), QStringLiteral("Off"));
        EXPECT_TRUE(panel.turnOffButton()->isHidden());
    }
}

TEST_F(StripControlsTest, ContextMenuItemsWriteTheChannel) {
    QMenu out;
    addStripQuickMenuItems(out, *dsp, 10);
    QStringList texts;
    for (QAction* a : out.actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"Phase invert (Ø)", "Mute"}));
    const quint32 flags = words(11, 2)[1];
    action(out, QStringLiteral("Mute"))->trigger();
    EXPECT_EQ(words(11, 2)[1], flags ^ 1);

    QMenu in;
    addStripQuickMenuItems(in, *dsp, 0);
    EXPECT_EQ(action(in, QStringLiteral("Test Signal")), nullptr);
    action(in, QStringLiteral("Dante"))->trigger();
    EXPECT_EQ(dsp->inputSource(0), InputSource::dante);
}

TEST_F(StripControlsTest, InputPanelOpensFromTheEnvironmentForItsChannelOnly) {
    qputenv("TSL_INPUT_PANEL", "2");
    InputQuickMenu c(*dsp, 2);
    InputQuickMenu a(*dsp, 0);
    c.show();
    a.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return c.panel() && c.panel()->isVisible(); }, 5000));
    EXPECT_EQ(a.panel(), nullptr);
    qputenv("TSL_INPUT_PANEL", "02");
    InputQuickMenu padded(*dsp, 2);
    padded.show();
    QTest::qWait(1200);
    EXPECT_EQ(padded.panel(), nullptr);
    qunsetenv("TSL_INPUT_PANEL");
}

TEST_F(StripControlsTest, ManyChangesInOneTurnRefreshOnce) {
    int refreshes = 0;
    QObject owner;
    ModelWatcher watcher(
        *dsp, {1, 2}, [&] { ++refreshes; }, &owner);
    dsp->setGain(0, -3);
    dsp->setMute(0, true);
    dsp->setGain(1, 2);
    dsp->setGain(7, 1);  // not watched, and no extra refresh
    EXPECT_EQ(refreshes, 0);
    settle();
    EXPECT_EQ(refreshes, 1);
    dsp->setGain(7, 2);
    settle();
    EXPECT_EQ(refreshes, 1);
}

namespace {

// The labels of a panel that overlap another of its labels or reach past its edges, and
// wrapped labels given fewer lines than their text takes; empty when each has its room.
QStringList crampedLabels(QWidget& panel) {
    QStringList cramped;
    QList<QLabel*> labels;
    for (QLabel* label : panel.findChildren<QLabel*>())
        if (label->isVisibleTo(&panel) && !label->text().isEmpty()) labels << label;
    const auto inPanel = [&](QWidget* w) { return QRect(w->mapTo(&panel, QPoint()), w->size()); };
    for (QLabel* label : labels) {
        const QRect r = inPanel(label);
        if (!panel.rect().contains(r)) cramped << label->text() + " leaves the panel";
        if (label->wordWrap() && label->height() < label->heightForWidth(label->width()))
            cramped << label->text() + " is cut";
        for (QLabel* other : labels)
            if (other != label && r.intersects(inPanel(other))) cramped << label->text() + " overlaps";
    }
    return cramped;
}

}  // namespace

// The panel that opens at start for the input named by TSL_INPUT_PANEL, a second after the
// mixer shows, before the device's settings are read: when the read-back finds the test
// signal on that input, the status grows to two lines and "Turn off" appears, and the panel
// grows with them, as one opened by a click afterwards is laid out.
TEST(InputPanelInWindow, TheStartUpPanelFitsTheTestSignalStateReadAfterItOpened) {
    qputenv("TSL_INPUT_PANEL", "2");
    WindowRig::Options options;
    options.connect = false;
    options.prepare = [](DeviceSimulator& sim) { sim.device().params[348] = {1}; };  // test signal to IN C
    WindowRig rig(options);
    qunsetenv("TSL_INPUT_PANEL");
    auto* mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    InputQuickMenu* source = mixer->strip(2)->quickButtons()->sourceButton();
    ASSERT_TRUE(rig.waitFor([&] { return source->panel() && source->panel()->isVisible(); }, 10));
    InputPanel* panel = source->panel();
    EXPECT_EQ(panel->testSignalStatus()->text(), QStringLiteral("Off"));

    ASSERT_TRUE(rig.connect());
    ASSERT_TRUE(source->panel() && source->panel()->isVisible());
    EXPECT_EQ(panel->testSignalStatus()->text(), QStringLiteral("On — the generator feeds this input"));
    EXPECT_TRUE(panel->turnOffButton()->isVisible());
    EXPECT_EQ(crampedLabels(*panel).join(" | ").toStdString(), "");
    saveScreenshot(*panel, QStringLiteral("input-panel-start-up"));

    // Opened again by a click it is laid out the same way.
    const QSize grown = panel->size();
    panel->close();
    rig.turn();
    QTest::mouseClick(source, Qt::LeftButton);
    ASSERT_TRUE(rig.waitFor([&] { return source->panel() && source->panel()->isVisible(); }, 5));
    EXPECT_EQ(source->panel()->size(), grown);
    EXPECT_EQ(crampedLabels(*source->panel()).join(" | ").toStdString(), "");
}
