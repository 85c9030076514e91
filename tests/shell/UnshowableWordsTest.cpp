// Words no control could hold (a level no number or infinite, 4294967295 Hz, a meter no number)
// show as unknown on every page, their blocks say why they cannot be edited, and none is written.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>
#include <bit>
#include <cmath>

#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsBoxes.h"
#include "editor/DynamicsViews.h"
#include "editor/EQGraph.h"
#include "editor/FiltersDelayPanel.h"
#include "link/DSPModel.h"
#include "link/MeterStore.h"
#include "link/ParamMap.h"
#include "mixer/ChannelStrip.h"
#include "mixer/MixerView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/UnitSlider.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;
constexpr int inA = 0;
constexpr quint32 notANumber = 0x7FC00000;
constexpr quint32 infinite = 0x7F800000;
const quint32 nanBand = ParamMap::eqBandParam(inA, 1);
constexpr quint32 crosspoint = 218;

quint32 bits(float value) {
    return std::bit_cast<quint32>(value);
}

QString shown(const CompactNumberField* field) {
    return field->lineEdit()->text();
}

}  // namespace

TEST(UnshowableWords, WordsNoControlCouldHoldShowAsUnknownAndTheirEditsSayWhy) {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        auto& params = sim.device().params;
        params[154 + inA] = {20, 0x100};  // filters off: the curve is the bands' alone
        params[166 + inA] = {22000, 0x100};
        params[ParamMap::eqBandParam(inA, 0)] = {1000, bits(6), bits(1), 0};
        params[nanBand] = {1000, notANumber, bits(1), 0};
        params[ParamMap::eqBandParam(inA, 2)] = {4294967295u, bits(0), bits(1), 0};
        // An active band boosting above -20 dB, and one whose threshold is infinite.
        params[*ParamMap::param(ParamMap::Block::deq(0), inA)] = {1000,      bits(6), bits(1), 1,
                                                                  bits(-20), 10,      100,     bits(2)};
        params[*ParamMap::param(ParamMap::Block::deq(1), inA)] = {2000,     bits(6), bits(1), 1,
                                                                  infinite, 10,      100,     bits(2)};
        params[Generator(Generator::pink).parameter()] = {notANumber, 0};
        params[crosspoint] = {notANumber, 0x100};
        sim.device().meters[2 * inA] = notANumber;
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());
    ASSERT_TRUE(rig.waitFor([&] { return std::isnan(rig.model().meterStore().levels()[inA]); }));
    const qsizetype mark = rig.mark();

    // The curve keeps band 1's +6 dB, not flattened by band 2; bands 2 and 3 show no value.
    rig.showPage(Page::channelPage(inA));
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    channel->setTab(ChannelTab::eq);
    rig.turn();
    EXPECT_NEAR(channel->eqGraph()->responseAt(1000), 6.0, 0.01);
    BandColumns* bands = channel->bandColumns();
    EXPECT_EQ(shown(bands->column(0)->gainField()), QStringLiteral("+6.0"));
    for (int b : {1, 2}) {
        const BandColumn* column = bands->column(b);
        EXPECT_FALSE(column->isEnabled());
        for (const CompactNumberField* field : {column->freqField(), column->gainField(), column->qField()})
            EXPECT_EQ(shown(field), QStringLiteral("—")) << b;
        for (const Encoder* knob : {column->freqKnob(), column->gainKnob(), column->qKnob()})
            EXPECT_FALSE(knob->known()) << b;
    }
    EXPECT_TRUE(bands->column(1)->toolTip().contains(
        QStringLiteral("Parameter %1 holds a level that is not a number (word 1).").arg(nanBand)));
    EXPECT_TRUE(bands->column(2)->toolTip().contains(QStringLiteral("4294967295")));
    // Edits reaching them anyway are refused (no write, checked at the end).
    bands->writeBand(1, [](DSPModel::Band& band) { band.freq = 2000; });
    rig.model().setGenerator(Generator::pink, -20.0f, std::nullopt);

    // The dynamic EQ under a meter that is no number: no output level, no change, no live line.
    channel->setTab(ChannelTab::dynamics);
    rig.turn();
    auto* deq = channel->findChild<DEQBox*>();
    ASSERT_NE(deq, nullptr);
    for (int b : {0, 1})
        for (const QString& text : {deq->band(b)->meters()->outText(), deq->band(b)->meters()->grText(),
                                    deq->band(b)->summary()->text()})
            EXPECT_EQ(text, QStringLiteral("—")) << b;
    EXPECT_EQ(deq->gate()->status()->text(), QStringLiteral("—"));
    EXPECT_FALSE(deq->graph()->bandKnown(1));
    EXPECT_TRUE(deq->band(1)->toolTip().contains(QStringLiteral("word 4")));

    // The pink noise level that is no number has no slider handle and no value.
    rig.showPage(Page::of(Page::Kind::sources));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    const SourcesView::GeneratorRow& pinkRow = sources->generatorRow(Generator::pink);
    EXPECT_FALSE(pinkRow.slider->known());
    EXPECT_EQ(shown(pinkRow.level), QStringLiteral("—"));
    EXPECT_TRUE(pinkRow.slider->toolTip().contains(QStringLiteral("not a number")));

    // A crosspoint whose level is no number is neither on nor off, and says why.
    rig.showPage(Page::of(Page::Kind::routing));
    const QList<CrosspointCell*> cells = rig.pageView()->findChildren<CrosspointCell*>();
    const auto cell = std::find_if(cells.begin(), cells.end(),
                                   [](const CrosspointCell* c) { return c->id() == crosspoint; });
    ASSERT_NE(cell, cells.end());
    EXPECT_FALSE((*cell)->shownOn());
    EXPECT_TRUE((*cell)->toolTip().contains(QStringLiteral("not a number")));

    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty());
}

namespace {

// What eye and ear get of a control showing no setting: its tip and its description both name
// the word that cannot be held, its name does not, and a tool finds no value to read (not even
// a 0).
void expectUntold(const QList<QWidget*>& controls, const QString& why) {
    for (QWidget* control : controls) {
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(control);
        const QString description = element->text(QAccessible::Description);
        const std::string what = kestrel_test::describeControl(control).toStdString();
        EXPECT_EQ(element->valueInterface(), nullptr) << what;
        // The word was read: the description tells what became of it, the name stays a caption.
        EXPECT_TRUE(!description.startsWith(QStringLiteral("Not read")) && description.contains(why))
            << what << ": " << description.toStdString();
        EXPECT_FALSE(element->text(QAccessible::Name).contains(why))
            << what << ": " << element->text(QAccessible::Name).toStdString();
        EXPECT_TRUE(control->toolTip().contains(why)) << what << ": " << control->toolTip().toStdString();
    }
}

}  // namespace

TEST(UnshowableWords, ControlsShowingNoSettingTellNoValueAndNameTheWordTheyCannotHold) {
    static constexpr int out1 = 4;
    static constexpr quint32 out1HighPass = 154 + out1;
    static constexpr quint32 out1Compressor = 174 + out1;
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        kestrel_test::holdDemoSettings(sim);
        auto& params = sim.device().params;
        params[1 + inA] = {notANumber, 0x100};
        params[out1HighPass] = {4294967295u, 0};
        params[out1Compressor] = {bits(-20), notANumber, 0, 10, 100, 0};
        params[ParamMap::eqBandParam(out1, 0)] = {4294967295u, bits(0), bits(1), 0};
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());

    ChannelStrip* strip = rig.page<MixerView>()->strip(inA);
    expectUntold({strip->fader(), strip->gainField()->lineEdit()},
                 QStringLiteral("Parameter 1 holds a level that is not a number (word 0)."));

    rig.showPage(Page::channelPage(out1));
    auto* channel = rig.page<ChannelView>();
    ASSERT_NE(channel, nullptr);
    channel->setTab(ChannelTab::eq);
    rig.turn();
    const FiltersDelayPanel::FilterControls& highPass = channel->filtersPanel()->highPass();
    expectUntold({highPass.knob, highPass.field->lineEdit(), highPass.slope},
                 QStringLiteral("Parameter %1 holds 4294967295 in word 0").arg(out1HighPass));
    const BandColumn* band1 = channel->bandColumns()->column(0);
    QList<QWidget*> bandControls{band1->qKnob(), band1->onToggle()};
    for (QLineEdit* field : band1->findChildren<QLineEdit*>()) bandControls << field;
    expectUntold(bandControls, QStringLiteral("in word 0"));

    // The switch is written with the settings, so the settings' word is its reason too; the
    // knobs are not lit as if the switch were on.
    channel->setTab(ChannelTab::dynamics);
    rig.turn();
    auto* compressor = channel->findChild<CompressorBox*>();
    ASSERT_NE(compressor, nullptr);
    QList<QWidget*> controls{compressor->onToggle()};
    for (KnobField* knob : compressor->knobs()) controls << knob->encoder();
    expectUntold(controls, QStringLiteral("not a number (word 1)"));
}
