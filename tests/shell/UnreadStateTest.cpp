// What the device never reported is drawn as unknown in the window connected to the
// simulator: no default name to save, no active FIR, no value in a field, no switch lit, no
// curve bent by a filter nobody read; and nothing of it is written.

#include <gtest/gtest.h>

#include <QLabel>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTest>
#include <QToolButton>

#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsBoxes.h"
#include "editor/DynamicsViews.h"
#include "editor/EQGraph.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "editor/FiltersDelayPanel.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "mixer/ChannelStrip.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/MixerView.h"
#include "mixer/QuickButtons.h"
#include "pages/CrosspointInspector.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/Sidebar.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/ChannelWords.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/Tag.h"
#include "ui/controls/UnitSlider.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;
constexpr int out1 = 4;
constexpr quint32 inBName = 379;
constexpr quint32 inBGain = 2;
constexpr quint32 out1FIRSwitch = 391 + out1;  // the device holds 0: the FIR is active
constexpr quint32 out1LowPass = 166 + out1;
constexpr quint32 out1FIRName = 403 + out1;
const quint32 out1Band1 = ParamMap::eqBandParam(out1, 0);

QString shown(const CompactNumberField* field) {
    return field->lineEdit()->text();
}

bool tagShown(const ChannelView& view, const QString& text) {
    for (const Tag* tag : view.findChildren<Tag*>())
        if (tag->text() == text && tag->isVisibleTo(&view)) return true;
    return false;
}

// Assistive tools are told no value, as none is drawn: not even an empty one, which a tool
// reads as 0.
bool toldNoValue(QWidget* control) {
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(control);
    return element->text(QAccessible::Value).isEmpty() && !element->valueInterface();
}

}  // namespace

TEST(UnreadState, NamesFIRSwitchesAndCurvesNeverReportedAreNotDrawnAsValues) {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        for (quint32 number : {inBName, inBGain, out1FIRSwitch, out1LowPass, out1Band1, out1FIRName})
            sim.device().params.remove(number);
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());
    const qsizetype mark = rig.mark();

    // The mixer: IN B's gain shows no number, OUT 1's FIR toggle is not lit and says why.
    EXPECT_EQ(shown(rig.page<MixerView>()->strip(1)->gainField()), QStringLiteral("—"));
    EXPECT_EQ(shown(rig.page<MixerView>()->strip(0)->gainField()), QStringLiteral("0.0"));
    FlatButton* fir = rig.page<MixerView>()->strip(out1)->quickButtons()->button(QStringLiteral("F"));
    ASSERT_NE(fir, nullptr);
    EXPECT_FALSE(fir->isChecked());
    EXPECT_FALSE(fir->isEnabled());
    EXPECT_TRUE(fir->toolTip().endsWith(QStringLiteral(" — not read"))) << fir->toolTip().toStdString();
    // IN B's polarity, never read, is not shown inverted in its strip's menu.
    QMenu menu;
    addStripQuickMenuItems(menu, rig.model(), 1);
    ASSERT_FALSE(menu.actions().isEmpty());
    EXPECT_FALSE(menu.actions().first()->isChecked());
    EXPECT_FALSE(menu.actions().first()->isEnabled());
    // IN B's name is shown by no default: its strip and its input panel say it is not read.
    ChannelStrip* inBStrip = rig.page<MixerView>()->strip(1);
    EXPECT_EQ(inBStrip->header()->name(), QStringLiteral("—"));
    EXPECT_TRUE(inBStrip->header()->toolTip().contains(QStringLiteral("Input B, name not read")));
    // So does its sidebar row, which says whose name it is not.
    Sidebar* sidebar = rig.console().sidebar();
    QListWidgetItem* inBRow = sidebar->itemFor(Page::channelPage(1));
    QStringList rowTexts;
    for (const QLabel* label : sidebar->itemWidget(inBRow)->findChildren<QLabel*>())
        rowTexts << label->text();
    EXPECT_TRUE(rowTexts.contains(QStringLiteral("—"))) << rowTexts.join(", ").toStdString();
    EXPECT_EQ(inBRow->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Input B, name not read"));
    InputQuickMenu* inBSource = inBStrip->quickButtons()->sourceButton();
    inBSource->click();
    rig.turn();
    ASSERT_NE(inBSource->panel(), nullptr);
    EXPECT_EQ(inBSource->panel()->accessibleName(), QStringLiteral("Input B · name not read"));
    inBSource->panel()->close();

    // OUT 1's editor: no "FIR on" tag, and no curve: one summed without the low-pass and band
    // never read would show a response the channel does not have.
    rig.showPage(Page::channelPage(out1));
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    EXPECT_FALSE(tagShown(*channel, QStringLiteral("FIR on")));
    channel->setTab(ChannelTab::eq);
    rig.turn();
    ASSERT_NE(channel->eqGraph(), nullptr);
    EXPECT_FALSE(channel->eqGraph()->drawsCurve());
    const FiltersDelayPanel::FilterControls& lowPass = channel->filtersPanel()->lowPass();
    EXPECT_FALSE(lowPass.toggle->isChecked());
    EXPECT_EQ(shown(lowPass.field), QStringLiteral("—"));
    EXPECT_EQ(lowPass.slope->currentIndex(), -1);
    const BandColumn* band1 = channel->bandColumns()->column(0);
    EXPECT_FALSE(band1->onToggle()->isChecked());
    EXPECT_EQ(band1->onToggle()->toolTip(), QStringLiteral("Band on or off — not read"));
    EXPECT_EQ(band1->typeButton()->text(), QStringLiteral("—"));
    for (const CompactNumberField* field : {band1->freqField(), band1->gainField(), band1->qField()})
        EXPECT_EQ(shown(field), QStringLiteral("—"));
    EXPECT_EQ(shown(channel->bandColumns()->column(1)->freqField()), QStringLiteral("0"));

    channel->setTab(ChannelTab::fir);
    rig.turn();
    auto* box = channel->findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->status()->text(), QStringLiteral("—"));
    EXPECT_EQ(box->storedName()->text(), QStringLiteral("—"));
    EXPECT_FALSE(box->bypassButton()->isChecked());
    EXPECT_FALSE(box->bypassButton()->isEnabled());

    // IN B's name field on the device page is empty and takes nothing; Return writes nothing.
    rig.showPage(Page::of(Page::Kind::device));
    auto* device = rig.page<DeviceView>();
    ASSERT_NE(device, nullptr);
    QLineEdit* inB = device->channelRow(1).field;
    EXPECT_EQ(inB->text(), QString());
    EXPECT_FALSE(inB->isEnabled());
    EXPECT_EQ(inB->placeholderText(), QStringLiteral("Not read"));
    EXPECT_EQ(kestrel_test::accessibleOf(inB)->text(QAccessible::Description), QStringLiteral("Not read"));
    EXPECT_FALSE(device->channelRow(1).save->isEnabled());
    EXPECT_EQ(device->channelRow(0).field->text(), rig.model().channelName(0));
    QTest::keyClick(inB, Qt::Key_Return);
    rig.turn();

    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
    for (quint32 number : {inBName, inBGain, out1FIRSwitch, out1LowPass, out1Band1, out1FIRName})
        EXPECT_FALSE(rig.model().holds(number));
}

TEST(UnreadState, SourcesGeneratorAndDynamicsNeverReportedShowNoChoice) {
    constexpr quint32 inCSource = 350 + 2;
    constexpr quint32 generatorType = 342;
    constexpr quint32 sine = 343;
    constexpr int out2 = 5;
    constexpr quint32 out2CompressorSwitch = 182 + out2;  // the device holds 0: on
    WindowRig::Options options;
    options.startPage = QStringLiteral("sources");
    options.prepare = [](DeviceSimulator& sim) {
        for (quint32 number : {inCSource, generatorType, sine, out2CompressorSwitch})
            sim.device().params.remove(number);
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());
    const qsizetype mark = rig.mark();

    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(sources->sourcePicker(2)->currentSegment(), nullptr);
    EXPECT_NE(sources->sourcePicker(0)->currentSegment(), nullptr);
    for (Generator g : Generator::allCases()) EXPECT_FALSE(sources->generatorChoice(g)->isChecked());
    const SourcesView::GeneratorRow& sineRow = sources->generatorRow(Generator::sine);
    EXPECT_FALSE(sineRow.power->isChecked());
    EXPECT_EQ(shown(sineRow.level), QStringLiteral("—"));
    EXPECT_EQ(sources->frequencyField()->lineEdit()->text(), QStringLiteral("—"));
    EXPECT_NE(shown(sources->generatorRow(Generator::pink).level), QStringLiteral("—"));

    // The mixer's source badge of IN C names no source.
    rig.showPage(Page::of(Page::Kind::mixer));
    EXPECT_EQ(rig.page<MixerView>()->strip(2)->quickButtons()->sourceButton()->text(), QStringLiteral("—"));
    EXPECT_NE(rig.page<MixerView>()->strip(0)->quickButtons()->sourceButton()->text(), QStringLiteral("—"));

    rig.showPage(Page::channelPage(out2));
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    channel->setTab(ChannelTab::dynamics);
    rig.turn();
    auto* compressor = channel->findChild<CompressorBox*>();
    ASSERT_NE(compressor, nullptr);
    EXPECT_FALSE(compressor->onToggle()->isChecked());
    EXPECT_FALSE(compressor->onToggle()->isEnabled());

    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

// A device that never answers the settings behind the controls drawn as a position, a curve
// or a status: each page is walked, and none of them shows a setting the window invented.
TEST(UnreadState, SettingsNeverReportedShowNoPointerCurveOrStatusOnAnyPage) {
    constexpr int inA = 0;
    constexpr int out1Page = 4;
    constexpr quint32 firstCrosspoint = 218;  // the device holds it on
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        kestrel_test::holdDemoSettings(sim);  // what was read is in range
        QList<quint32> lost{channelwords::gainParam(inA), channelwords::gainParam(out1Page)};
        for (ParamMap::Block block : {ParamMap::Block::compressor(), ParamMap::Block::compressorOff(),
                                      ParamMap::Block::limiter(), ParamMap::Block::limiterOff()})
            lost << *ParamMap::param(block, out1Page);
        for (ParamMap::Block block : {ParamMap::Block::gate(), ParamMap::Block::gateOff()})
            lost << *ParamMap::param(block, inA);
        for (int b = 0; b < 3; ++b) lost << *ParamMap::param(ParamMap::Block::deq(b), inA);
        for (Generator g : Generator::allCases()) lost << g.parameter();
        lost << firstCrosspoint;
        for (quint32 number : lost) sim.device().params.remove(number);
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());
    const qsizetype mark = rig.mark();

    // The mixer's faders have no cap and tell no "0.0 dB".
    ChannelStrip* strip = rig.page<MixerView>()->strip(inA);
    EXPECT_FALSE(strip->fader()->known());
    EXPECT_TRUE(toldNoValue(strip->fader()));
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("unread-mixer"));

    // An output's dynamics: no curve, no threshold, no live point, no estimate.
    rig.showPage(Page::channelPage(out1Page));
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    EXPECT_FALSE(channel->gainKnob()->encoder()->known());
    EXPECT_TRUE(toldNoValue(channel->gainKnob()->encoder()));
    channel->setTab(ChannelTab::dynamics);
    rig.turn();
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("unread-output-dynamics"));
    auto* compressor = channel->findChild<CompressorBox*>();
    auto* limiter = channel->findChild<LimiterBox*>();
    ASSERT_TRUE(compressor && limiter);
    for (DynamicsPanel* panel :
         {static_cast<DynamicsPanel*>(compressor), static_cast<DynamicsPanel*>(limiter)}) {
        EXPECT_EQ(panel->meters()->grText(), QStringLiteral("—"));
        EXPECT_EQ(panel->meters()->outText(), QStringLiteral("—"));
        for (KnobField* knob : panel->knobs()) EXPECT_TRUE(toldNoValue(knob->encoder()));
    }
    for (TransferCurve* curve : {compressor->curve(), limiter->curve()}) {
        EXPECT_FALSE(curve->drawsCurve());
        EXPECT_FALSE(curve->livePoint().has_value());
    }
    EXPECT_EQ(limiter->meters()->inText(), QStringLiteral("—"));

    // An input's dynamic EQ and gate: no shaded band, no live line, no "bypassed", no "Open".
    rig.showPage(Page::channelPage(inA));
    channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    channel->setTab(ChannelTab::dynamics);
    rig.turn();
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("unread-input-dynamics"));
    auto* deq = channel->findChild<DEQBox*>();
    ASSERT_NE(deq, nullptr);
    EXPECT_TRUE(deq->graph()->liveLevels(-20).isEmpty());
    for (int b = 0; b < 3; ++b) {
        EXPECT_FALSE(deq->graph()->bandKnown(b));
        EXPECT_EQ(deq->band(b)->summary()->text(), QStringLiteral("—"));
        EXPECT_EQ(deq->band(b)->meters()->grText(), QStringLiteral("—"));
        EXPECT_FALSE(deq->band(b)->meters()->thresholdMarkerY().has_value());
    }
    EXPECT_EQ(deq->gate()->status()->text(), QStringLiteral("—"));
    EXPECT_EQ(deq->gate()->meters()->grText(), QStringLiteral("—"));

    // The generators' level sliders keep no handle and tell no level.
    rig.showPage(Page::of(Page::Kind::sources));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("unread-sources"));
    for (Generator g : Generator::allCases()) {
        UnitSlider* slider = sources->generatorRow(g).slider;
        EXPECT_FALSE(slider->known());
        EXPECT_TRUE(toldNoValue(slider));
    }

    // A crosspoint never read is neither on nor off and shows no level.
    rig.showPage(Page::of(Page::Kind::routing));
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("unread-routing"));
    const QList<CrosspointCell*> cells = rig.pageView()->findChildren<CrosspointCell*>();
    const auto unread = std::find_if(
        cells.begin(), cells.end(), [](const CrosspointCell* cell) { return cell->id() == firstCrosspoint; });
    ASSERT_NE(unread, cells.end());
    EXPECT_FALSE((*unread)->shownOn());
    EXPECT_EQ((*unread)->toolTip(), QStringLiteral("Not read"));
    (*unread)->select();
    rig.turn();
    Encoder* level = rig.page<RoutingView>()->inspector()->knob();
    EXPECT_FALSE(level->known());
    EXPECT_TRUE(toldNoValue(level));

    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

namespace {

bool saysNotRead(QAccessibleInterface& element) {
    return element.text(QAccessible::Description).contains(QStringLiteral("not read"), Qt::CaseInsensitive);
}

// What a tool walking the shown tree finds wrong with controls showing a setting never read: a
// knob or slider telling a value outside its range or telling none without saying why, a control
// whose face is "—" that does not say "not read" or still tells a value.
void findUntold(QAccessibleInterface* element, const QString& where, QStringList& problems) {
    if (!element || !element->isValid() || element->state().invisible) return;
    const auto* widget = qobject_cast<const QWidget*>(element->object());
    const QString at = where + ": " + element->text(QAccessible::Name);
    const QAccessible::Role role = element->role();
    if (QAccessibleValueInterface* value = element->valueInterface()) {
        const QVariant v = value->currentValue();
        if (!v.isValid() || v.toDouble() < value->minimumValue().toDouble() ||
            v.toDouble() > value->maximumValue().toDouble())
            problems << at + " tells " + v.toString() + " outside its range";
    } else if ((role == QAccessible::Slider || role == QAccessible::Dial) && !saysNotRead(*element)) {
        problems << at + " tells no value and not why";
    }
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    if ((button && button->text() == QStringLiteral("—")) || (edit && edit->text() == QStringLiteral("—"))) {
        if (!saysNotRead(*element)) problems << at + " shows no setting but does not say it is not read";
        if (button && !element->text(QAccessible::Value).isEmpty())
            problems << at + " tells the value " + element->text(QAccessible::Value);
    }
    for (int i = 0; i < element->childCount(); ++i) findUntold(element->child(i), where, problems);
}

}  // namespace

// A device stand-in that loses some answers: every control showing one of them tells assistive
// tools no value and says "not read", pickers tell their caption alone, no curve or estimate is
// built on a lost word, and what cannot be used is drawn so and says why.
TEST(UnreadState, ControlsNeverReadTellNoValueSayNotReadAndDrawNoSetting) {
    constexpr int inA = 0;
    constexpr int out1 = 4;
    constexpr int band3 = 2;
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        kestrel_test::holdDemoSettings(sim);  // what was read is in range
        // IN A's gain, route (346) and source (350), the sine (343), OUT 1's band 3.
        QList<quint32> lost{channelwords::gainParam(inA), 346, 350, 343, ParamMap::eqBandParam(out1, band3)};
        for (ParamMap::Block block :
             {ParamMap::Block::highPass(), ParamMap::Block::delay(), ParamMap::Block::compressorOff()})
            lost << *ParamMap::param(block, out1);
        for (quint32 number : lost) sim.device().params.remove(number);
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());
    const qsizetype mark = rig.mark();
    QStringList problems;
    const auto drawn = [](QWidget* widget) { return widget->grab().toImage(); };
    const auto walk = [&](const QString& where) {
        rig.turn();
        findUntold(QAccessible::queryAccessibleInterface(&rig.window()), where, problems);
    };

    walk(QStringLiteral("mixer"));
    InputQuickMenu* source = rig.page<MixerView>()->strip(inA)->quickButtons()->sourceButton();
    EXPECT_EQ(kestrel_test::accessibleOf(source)->text(QAccessible::Name), QStringLiteral("Source"));
    source->click();
    rig.turn();
    ASSERT_NE(source->panel(), nullptr);
    for (PanelToggle* toggle : {source->panel()->phaseToggle(), source->panel()->muteToggle()})
        EXPECT_TRUE(toggle->toolTip().contains(QStringLiteral("not read")) &&
                    saysNotRead(*kestrel_test::accessibleOf(toggle)))
            << toggle->text().toStdString();
    source->panel()->close();

    // No EQ curve, nor compressor curve or estimate while its switch is unknown.
    rig.showPage(Page::channelPage(out1));
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    channel->setTab(ChannelTab::eq);
    walk(QStringLiteral("OUT 1 EQ"));
    Encoder* highPass = channel->filtersPanel()->highPass().knob;
    EXPECT_TRUE(toldNoValue(highPass) && saysNotRead(*kestrel_test::accessibleOf(highPass)));
    EXPECT_FALSE(channel->eqGraph()->drawsCurve());
    const BandColumn* unreadBand = channel->bandColumns()->column(band3);
    QAccessibleInterface* type = kestrel_test::accessibleOf(unreadBand->typeButton());
    EXPECT_EQ(type->text(QAccessible::Name), QStringLiteral("Band 3 type"));
    EXPECT_TRUE(type->text(QAccessible::Value).isEmpty() && saysNotRead(*type));
    EXPECT_TRUE(saysNotRead(*kestrel_test::accessibleOf(unreadBand->onToggle())));
    channel->setTab(ChannelTab::dynamics);
    walk(QStringLiteral("OUT 1 dynamics"));
    auto* compressor = channel->findChild<CompressorBox*>();
    auto* limiter = channel->findChild<LimiterBox*>();
    ASSERT_TRUE(compressor && limiter);
    EXPECT_FALSE(compressor->curve()->drawsCurve());
    EXPECT_TRUE(saysNotRead(*kestrel_test::accessibleOf(compressor->onToggle())));
    EXPECT_EQ(limiter->meters()->inText(), QStringLiteral("—"));

    // The sine's slider draws no fill, wherever its handle would be.
    rig.showPage(Page::of(Page::Kind::sources));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    walk(QStringLiteral("sources"));
    QPushButton* segment = sources->sourcePicker(inA)->segment(1);
    EXPECT_FALSE(segment->isEnabled());
    EXPECT_TRUE(segment->toolTip().contains(QStringLiteral("not read"))) << segment->toolTip().toStdString();
    const QImage disabledLook = drawn(segment);
    sources->sourcePicker(inA)->setEnabled(true);
    EXPECT_NE(drawn(segment), disabledLook);
    UnitSlider* sineLevel = sources->generatorRow(Generator::sine).slider;
    ASSERT_FALSE(sineLevel->known());
    const QSignalBlocker quiet(sineLevel);
    sineLevel->setValue(sineLevel->maximum());
    const QImage atTop = drawn(sineLevel);
    sineLevel->setValue(sineLevel->minimum());
    EXPECT_EQ(drawn(sineLevel), atTop);

    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

// A preset whose name answer was lost is listed with its name unknown, not "(unnamed)", and the
// question before storing over it names the slot alone; a name with a line break shows on one
// line in the name field as in the list.
TEST(UnreadState, APresetNameNeverAnsweredIsUnknownAndNoQuestionQuotesOne) {
    static constexpr int lostSlot = 3;
    static constexpr int brokenSlot = 4;
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        SimPresetBank& bank = sim.device().presets;
        bank.occupied |= (1u << lostSlot) | (1u << brokenSlot);
        bank.names[lostSlot] = QStringLiteral("Live");
        bank.names[brokenSlot] = QStringLiteral("Two\nLines");
        sim.faults().answerLost = [](const DSPFrame& request) {
            return request.command == 17 && request.words.value(0) == quint32(lostSlot);
        };
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().presets().isEmpty(); }));
    rig.showPage(Page::of(Page::Kind::presets));
    auto* presets = rig.page<PresetsView>();
    ASSERT_NE(presets, nullptr);
    QListWidget* list = presets->slotList();
    const auto clickSlot = [&](int slot) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(slot)).center());
        rig.turn();
    };

    clickSlot(brokenSlot);
    EXPECT_EQ(presets->nameField()->text(), QStringLiteral("Two↵Lines"));
    clickSlot(lostSlot);
    EXPECT_EQ(presets->headline()->text(), QStringLiteral("Slot 3: Name not read"));
    EXPECT_EQ(presets->nameField()->text(), QString());
    const qsizetype mark = rig.mark();
    QTest::keyClicks(presets->nameField(), QStringLiteral("Mix"));
    presets->storeButton()->click();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.dialogs.asked.isEmpty(); }));
    const auto& question = rig.dialogs.asked.last();
    EXPECT_EQ(question.title, QStringLiteral("Overwrite slot 3?"));
    EXPECT_TRUE(question.text.startsWith(QStringLiteral("The DSP didn't send this preset's name.")))
        << question.text.toStdString();
    EXPECT_TRUE(rig.receivedSince(mark, 9).isEmpty());  // cancelled: nothing stored
}
