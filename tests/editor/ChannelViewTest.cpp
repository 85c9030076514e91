// The channel editor page: header, tab choice, EQ toolbar, coalesced refreshes, and
// every tab of an input and an output with its controls whole.
#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "EditorRig.h"
#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsBoxes.h"
#include "editor/EQGraph.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "editor/FiltersDelayPanel.h"
#include "link/ParamMap.h"
#include "support/WidgetTesting.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Tag.h"

using namespace editorrig;
using Words = DSPModel::Words;

namespace {

class ChannelViewTest : public ::testing::Test {
protected:
    Rig rig;
    kestrel_test::ScriptedDialogs dialogs;
    AppContext context{&rig.model, &rig.model.link(), &rig.model.meterStore(), nullptr, nullptr,
                       nullptr,    nullptr,           &rig.settings,           nullptr, &dialogs};

    std::unique_ptr<ChannelView> open(int ch, QSize size = {1200, 900}) {
        auto view = std::make_unique<ChannelView>(context, ch);
        view->resize(size);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        settle();
        return view;
    }
    static QStringList texts(const QList<Tag*>& tags) {
        QStringList result;
        for (Tag* tag : tags) result.append(tag->text());
        return result;
    }
    static QStringList menuTitles(ChannelView& view) {
        QStringList titles;
        for (QAction* action : view.copyToButton()->menu()->actions()) titles.append(action->text());
        return titles;
    }
};

}  // namespace

TEST_F(ChannelViewTest, InputHeaderBadgesMenuAndTabs) {
    rig.model.setGroup(0, 2);
    rig.model.write(391, {1}, std::nullopt, false);  // FIR bypassed
    rig.model.setChannelName(2, QStringLiteral("K&ck"));
    auto view = open(0);
    EXPECT_EQ(view->nameLabel()->text(), QStringLiteral("IN A"));
    EXPECT_EQ(texts(view->badges()), (QStringList{QStringLiteral("Input"), QStringLiteral("Group 2")}));
    EXPECT_EQ(menuTitles(*view),
              (QStringList{QStringLiteral("IN B"), QStringLiteral("K&&ck"), QStringLiteral("IN D")}))
        << "a single & would vanish as a shortcut mark";
    EXPECT_EQ(view->tabPicker()->title(2), QStringLiteral("Gate & Dynamic EQ"));
    EXPECT_NE(view->toolbarButton(QStringLiteral("Copy")), nullptr);
    EXPECT_EQ(view->toolbarButton(QStringLiteral("Bypass")), nullptr);

    rig.model.write(391, {0}, std::nullopt, false);
    settle();
    EXPECT_TRUE(texts(view->badges()).contains(QStringLiteral("FIR on")));
}

TEST_F(ChannelViewTest, OutputToolbarGainAndMuteGoThroughTheModel) {
    rig.model.setMute(4, true);
    auto view = open(4);
    ASSERT_EQ(menuTitles(*view).size(), 7);
    EXPECT_EQ(menuTitles(*view).first(), QStringLiteral("OUT 2"));
    EXPECT_EQ(view->tabPicker()->title(2), QStringLiteral("Dynamics"));

    rig.model.setGain(4, -7.5f);
    view->copyToButton()->menu()->actions()[2]->trigger();  // OUT 4 = channel 7
    EXPECT_EQ(rig.model.words(1 + 7, 2)[0], bits(-7.5f));

    QPushButton* bypass = view->toolbarButton(QStringLiteral("Bypass"));
    ASSERT_NE(bypass, nullptr);
    bypass->click();
    EXPECT_TRUE(rig.model.eqBypassed().contains(4));
    rig.model.setEQBypass(4, false);
    settle();
    EXPECT_FALSE(bypass->isChecked());

    // Paste needs copied EQ of the same kind.
    QPushButton* paste = view->toolbarButton(QStringLiteral("Paste"));
    EXPECT_FALSE(paste->isEnabled());
    rig.model.copyEQ(0);
    settle();
    EXPECT_FALSE(paste->isEnabled());
    view->toolbarButton(QStringLiteral("Copy"))->click();  // copies channel 4
    settle();
    EXPECT_TRUE(paste->isEnabled());

    EXPECT_EQ(view->muteButton()->look().fill, Palette::red());
    EXPECT_EQ(view->muteButton()->look().text, QColor(Qt::white));
    view->muteButton()->click();
    EXPECT_EQ(rig.model.words(1 + 4, 2)[1] & 1, 0u);
    settle();
    EXPECT_NE(view->muteButton()->look().fill, Palette::red());
    enter(view->gainKnob()->field(), QStringLiteral("-12,35"));
    EXPECT_EQ(single(rig.model.words(1 + 4, 2)[0]), std::round(-12.35f / 0.1f) * 0.1f);
    settle();
    EXPECT_EQ(view->gainKnob()->field()->lineEdit()->text(), QStringLiteral("-12.4"));

    // The gain's help is read with its typed value; the knob keeps its how-to.
    const QString help = QStringLiteral(
        "Channel gain: drag or scroll the knob, or type a value · double-click the knob for 0 dB");
    QLineEdit* typed = view->gainKnob()->field()->lineEdit();
    EXPECT_EQ(typed->toolTip(), help);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(typed)->text(QAccessible::Description), help);
    EXPECT_EQ(view->gainKnob()->encoder()->toolTip(), Encoder::helpText());
    // Typed infinities are the ends of the range.
    enter(view->gainKnob()->field(), QStringLiteral("inf"));
    EXPECT_EQ(single(rig.model.words(1 + 4, 2)[0]), 15.0f);
    enter(view->gainKnob()->field(), QStringLiteral("-inf"));
    EXPECT_EQ(single(rig.model.words(1 + 4, 2)[0]), -60.0f);
}

TEST_F(ChannelViewTest, TheStoredTabChoosesTheContentAndTheGraphFollowsTheTabArea) {
    EXPECT_EQ(ChannelView::graphHeight(500), 150);
    EXPECT_EQ(ChannelView::graphHeight(800), 338);
    auto view = open(1, {1200, 1100});
    ASSERT_NE(view->eqGraph(), nullptr);
    EXPECT_EQ(view->eqGraph()->height(), ChannelView::graphHeight(view->tabArea()->viewport()->height()));
    EXPECT_GT(view->eqGraph()->height(), 150);
    view->tabPicker()->segment(2)->click();
    EXPECT_EQ(rig.settings.text(ChannelTab::settingsKey), ChannelTab::dynamics);
    EXPECT_NE(view->tabContent()->findChild<DEQBox*>(), nullptr);
    EXPECT_EQ(view->eqGraph(), nullptr);

    auto output = open(9);  // the tab outlives the page
    EXPECT_NE(output->tabContent()->findChild<CompressorBox*>(), nullptr);
    EXPECT_NE(output->tabContent()->findChild<LimiterBox*>(), nullptr);
}

TEST_F(ChannelViewTest, StartTabFromTheEnvironment) {
    qputenv(ChannelTab::environmentVariable, "FIR");
    ChannelTab::applyStartTab(rig.settings);
    auto view = open(2);
    EXPECT_EQ(rig.settings.text(ChannelTab::settingsKey), QStringLiteral("FIR"));
    EXPECT_NE(view->tabContent()->findChild<FIRBox*>(), nullptr);

    qputenv(ChannelTab::environmentVariable, "Routing");
    ChannelTab::applyStartTab(rig.settings);
    auto other = open(2);
    EXPECT_EQ(rig.settings.text(ChannelTab::settingsKey), QStringLiteral("Routing"));
    EXPECT_NE(other->eqGraph(), nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(other->tabPicker()->segment(i)->isChecked());
    qunsetenv(ChannelTab::environmentVariable);
}

TEST_F(ChannelViewTest, EditsElsewhereRedrawAndTheSelectionIsShared) {
    auto view = open(4);
    const quint32 band3 = ParamMap::eqBandParam(4, 3);
    rig.model.write(band3, {500, bits(4), bits(2), 0}, std::nullopt, false);
    settle();
    EXPECT_EQ(view->bandColumns()->column(3)->freqField()->lineEdit()->text(), QStringLiteral("500"));
    EXPECT_NEAR(view->eqGraph()->markerCentre(3).x(), view->eqGraph()->xPosition(500), 1e-9);

    enter(view->bandColumns()->column(6)->gainField(), QStringLiteral("2"));
    EXPECT_EQ(view->selectedBand(), 6);
    EXPECT_EQ(view->eqGraph()->selected(), 6);
    kestrel_test::drag(*view->eqGraph(), view->eqGraph()->markerCentre(3), view->eqGraph()->markerCentre(3));
    EXPECT_EQ(view->bandColumns()->selected(), 3);
}

TEST_F(ChannelViewTest, EveryTabShowsItsControlsWhole) {
    rig.model.enterDemo();
    for (int ch : {0, 5}) {
        for (const QString& tab : {ChannelTab::eq, ChannelTab::dynamics, ChannelTab::fir}) {
            rig.settings.setValue(ChannelTab::settingsKey, tab);
            auto view = open(ch, {1280, 980});
            EXPECT_EQ(kestrel_test::cutOffAtTheSides(*view), "") << ch << " " << tab.toStdString();
            const QString name = QStringLiteral("channel_%1_%2")
                                     .arg(ch)
                                     .arg(QString(tab).remove(QRegularExpression("[^A-Za-z]")));
            kestrel_test::saveScreenshot(*view, name);
        }
    }
}

namespace {

// A channel's editor over a model linked to the simulator, shown and active.
struct LiveEditor {
    Context context;
    ChannelView view;
    LiveEditor(DSPModel& model, int ch, QSize size) : view(context.of(model), ch) {
        view.resize(size);
        view.show();
        view.activateWindow();
    }
};

}  // namespace

TEST(ChannelViewLive, ABandEditReachesTheDeviceForTheChannelAndItsGroup) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    const qsizetype joined = live.sim.received().size();
    model.setGroup(4, 1);
    model.setGroup(6, 1);
    ASSERT_TRUE(live.waitForFrames(joined, 5, 18));
    LiveEditor editor(model, 4, {1200, 900});
    ChannelView& view = editor.view;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));

    const qsizetype mark = live.sim.received().size();
    enter(view.bandColumns()->column(0)->gainField(), QStringLiteral("-4.5"));
    ASSERT_TRUE(live.waitForFrames(mark, 5, 2));
    const QList<DSPFrame> writes = live.sentAfter(mark, 5);
    const Words band = model.words(ParamMap::eqBandParam(4, 0), 4);
    EXPECT_EQ(single(band[1]), -4.5f);
    EXPECT_EQ(writes[0].words, Words({0, ParamMap::eqBandParam(4, 0)}) + band);
    EXPECT_EQ(writes[1].words, Words({0, ParamMap::eqBandParam(6, 0)}) + band);
}

// A click on a knob once wrote its value rounded to the step (Q 0.707 became 0.71) to the
// channel and its group. The wheel turns a knob of the scrolling editor the pointer has
// rested on, focused or not, and the editor stays where it is.
TEST(ChannelViewLive, KnobsIgnoreAStillClickAndTakeTheWheelOnceThePointerRests) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    const quint32 band = ParamMap::eqBandParam(4, 1);
    Words words = model.words(band, 4);
    words[2] = bits(0.707f);
    const qsizetype written = live.sim.received().size();
    model.write(band, words);
    ASSERT_TRUE(live.waitForFrames(written, 5, 1));
    LiveEditor editor(model, 4, {1200, 520});
    ChannelView& view = editor.view;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    settle();
    QScrollBar* pane = nullptr;
    for (QScrollArea* area : view.findChildren<QScrollArea*>())
        if (area->isAncestorOf(view.bandColumns())) pane = area->verticalScrollBar();
    ASSERT_NE(pane, nullptr);
    ASSERT_GT(pane->maximum(), 0);

    const qsizetype mark = live.sim.received().size();
    Encoder* q = view.bandColumns()->column(1)->qKnob();
    QTest::mouseClick(q, Qt::LeftButton, {}, q->rect().center());
    settle();
    EXPECT_EQ(model.words(band, 4), words);
    EXPECT_TRUE(q->hasFocus());

    // The pointer has rested on both knobs long enough for the wheel to count.
    double now = 100;
    Encoder* gain = view.bandColumns()->column(1)->gainKnob();
    for (Encoder* knob : {gain, q}) {
        knob->setClock([&now] { return now; });
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), knob->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(knob, &enter);
    }
    now += 1;
    const int resting = pane->value();
    kestrel_test::wheelNotch(*gain, -1);
    settle();
    EXPECT_FALSE(gain->hasFocus());
    EXPECT_EQ(pane->value(), resting);
    const Words lowered = model.words(band, 4);
    EXPECT_LT(single(lowered[1]), single(words[1]));
    EXPECT_EQ(lowered[2], words[2]) << "Q as it was";
    ASSERT_TRUE(live.waitForFrames(mark, 5, 1));
    EXPECT_EQ(live.sentAfter(mark, 5).first().words, Words({0, band}) + lowered) << "nothing went out before";

    // The focused knob turns the same way.
    kestrel_test::wheelNotch(*q, -1);
    settle();
    EXPECT_EQ(pane->value(), resting);
    EXPECT_LT(single(model.words(band, 4)[2]), 0.707f);
}
