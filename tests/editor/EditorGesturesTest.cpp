// What the channel editor's mouse gestures write, in the window connected to the simulator:
// only what the user set reaches the device.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "shell/MainWindow.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;

// The window on a channel's EQ tab; `unread` are parameters the device never answers, so the
// read-back leaves them out of the model.
WindowRig::Options onChannel(int ch, QSet<quint32> unread = {}) {
    qputenv(ChannelTab::environmentVariable, ChannelTab::eq.toUtf8());
    WindowRig::Options options;
    options.startPage = QString::number(ch);
    options.prepare = [unread](DeviceSimulator& sim) {
        for (quint32 number : unread) sim.device().params.remove(number);
    };
    return options;
}

// The parameter numbers written since the mark, in order.
QList<quint32> writtenSince(const WindowRig& rig, qsizetype mark) {
    QList<quint32> numbers;
    for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
        if (frame.words.size() > 1) numbers.append(frame.words[1]);
    return numbers;
}

}  // namespace

// Copy on a channel whose first two bands and high-pass were never read, then Paste on
// another: the bands and filter read are written, the unread ones are not invented.
TEST(EditorGestures, PasteWritesOnlyTheBlocksTheSourceChannelRead) {
    const QSet<quint32> unread{ParamMap::eqBandParam(5, 0), ParamMap::eqBandParam(5, 1), 154 + 5};
    WindowRig rig(onChannel(5, unread));
    qunsetenv(ChannelTab::environmentVariable);
    ASSERT_TRUE(rig.model().connected());
    for (quint32 number : unread) ASSERT_FALSE(rig.model().holds(number));

    QPushButton* copy = rig.page<ChannelView>()->toolbarButton(QStringLiteral("Copy"));
    ASSERT_TRUE(copy->isEnabled());
    copy->click();
    rig.showPage(Page::channelPage(6));
    const qsizetype mark = rig.mark();
    rig.page<ChannelView>()->toolbarButton(QStringLiteral("Paste"))->click();
    const quint32 lowPass = 166 + 6;
    ASSERT_TRUE(rig.waitFor([&] { return writtenSince(rig, mark).contains(lowPass); }, 5));
    rig.turn();

    QList<quint32> expected;
    for (int b = 2; b < 10; ++b) expected.append(ParamMap::eqBandParam(6, b));
    expected.append(lowPass);
    EXPECT_EQ(writtenSince(rig, mark), expected);
    EXPECT_EQ(rig.model().words(ParamMap::eqBandParam(6, 2), 4),
              rig.model().words(ParamMap::eqBandParam(5, 2), 4));
}

// A press on a band's knob or number field selects that band, as a press on the column does;
// the still click on the knob writes nothing.
TEST(EditorGestures, APressOnABandsControlSelectsTheBand) {
    WindowRig rig(onChannel(5));
    qunsetenv(ChannelTab::environmentVariable);
    ChannelView& view = *rig.page<ChannelView>();
    BandColumns& bands = *view.bandColumns();
    QTest::mouseClick(bands.column(2), Qt::LeftButton, {}, QPoint(4, 4));
    ASSERT_EQ(view.selectedBand(), 2);
    const qsizetype mark = rig.mark();

    Encoder* knob = bands.column(4)->gainKnob();
    QTest::mouseClick(knob, Qt::LeftButton, {}, knob->rect().center());
    rig.turn();
    EXPECT_EQ(view.selectedBand(), 4);
    EXPECT_TRUE(bands.column(4)->isSelected());
    EXPECT_FALSE(bands.column(2)->isSelected());

    QTest::mouseClick(bands.column(6)->qField()->lineEdit(), Qt::LeftButton);
    rig.turn();
    EXPECT_EQ(view.selectedBand(), 6);
    QTest::qWait(300);  // time for a write to reach the device
    EXPECT_TRUE(writtenSince(rig, mark).isEmpty());
}
