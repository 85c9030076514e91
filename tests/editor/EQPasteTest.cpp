// Paste onto a channel whose EQ the device reported in part, in the window connected to the
// simulator: the parts never read are left alone, the user is told which, the rest is written.

#include <gtest/gtest.h>

#include <QPushButton>

#include "editor/ChannelView.h"
#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "shell/MainWindow.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

TEST(EQPaste, PartsOfTheTargetNeverReadAreLeftAloneAndNamed) {
    constexpr quint16 writeCommand = 5;
    constexpr int out1 = 4;
    constexpr int out2 = 5;
    const quint32 out2Band3 = ParamMap::eqBandParam(out2, 2);
    const quint32 out2HighPass = 154 + out2;
    WindowRig::Options options;
    options.prepare = [&](DeviceSimulator& sim) {
        for (quint32 number : {out2Band3, out2HighPass}) sim.device().params.remove(number);
    };
    WindowRig rig(options);
    ASSERT_TRUE(rig.model().connected());

    rig.showPage(Page::channelPage(out1));
    rig.page<ChannelView>()->toolbarButton(QStringLiteral("Copy"))->click();
    rig.showPage(Page::channelPage(out2));
    const qsizetype mark = rig.mark();
    rig.page<ChannelView>()->toolbarButton(QStringLiteral("Paste"))->click();
    ASSERT_TRUE(rig.waitFor(
        [&] { return !rig.model().link().isBusy() && rig.model().link().queuedWriteCount() == 0; }, 5));
    rig.turn();

    QSet<quint32> written;
    for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
        if (frame.words.size() > 1) written.insert(frame.words[1]);
    EXPECT_FALSE(written.contains(out2Band3));
    EXPECT_FALSE(written.contains(out2HighPass));
    EXPECT_TRUE(written.contains(ParamMap::eqBandParam(out2, 0)));
    EXPECT_TRUE(written.contains(166 + out2));
    EXPECT_FALSE(rig.model().reported(out2Band3));

    ASSERT_FALSE(rig.dialogs.asked.isEmpty());
    const auto& told = rig.dialogs.asked.last();
    EXPECT_EQ(told.kind, QStringLiteral("alert"));
    EXPECT_EQ(told.text,
              QStringLiteral("Band 3 and the high-pass filter of OUT 2 were never read from the DSP, so "
                             "the paste left them as the DSP has them."));
}
