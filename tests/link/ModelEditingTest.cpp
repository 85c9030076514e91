// The table primitives and editing operations: padding, group propagation on the wire,
// groups, channel copy, the EQ clipboard, flat EQ, EQ bypass and channel names.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "LiveModel.h"
#include "link/Levels.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

Words paramWrite(quint32 number, const Words& values) {
    return Words{0, number} + values;
}

QList<Words> wordsOf(const QList<DSPFrame>& frames) {
    QList<Words> all;
    for (const DSPFrame& frame : frames) all.append(frame.words);
    return all;
}

}  // namespace

TEST(ModelTable, WordsArePaddedButNeverCut) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(17, {1, 2}, std::nullopt, false);
    model.write(18, {1, 2, 3, 4, 5}, std::nullopt, false);
    EXPECT_EQ(model.words(17, 4), (Words{1, 2, 0, 0}));
    EXPECT_EQ(model.words(18, 4), (Words{1, 2, 3, 4, 5}));
    EXPECT_EQ(model.words(19, 4), (Words{0, 0, 0, 0}));
    EXPECT_EQ(model.words(19, 0), Words{});
}

TEST(ModelGroups, AGainEditGoesOutForTheChannelThenItsMembersInOrder) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    const qsizetype joined = live.sim.received().size();
    model.setGroup(4, 2);
    model.setGroup(5, 2);  // 5 and 7 take channel 4's eighteen blocks
    model.setGroup(7, 2);
    model.setGroup(1, 2);  // an input under the same number is another group
    ASSERT_TRUE(live.waitForFrames(joined, 5, 36));
    const Words inputGain = model.words(2, 2);
    const qsizetype mark = live.sim.received().size();
    model.setGain(5, -3.14f);
    ASSERT_TRUE(live.waitForFrames(mark, 5, 3));
    const Words value{0xC0466667, 0};
    EXPECT_EQ(wordsOf(live.sentAfter(mark, 5)),
              (QList<Words>{paramWrite(6, value), paramWrite(5, value), paramWrite(8, value)}));
    EXPECT_EQ(model.words(2, 2), inputGain);
    EXPECT_EQ(model.groupMembers(5), (QList<int>{4, 5, 7}));
    EXPECT_EQ(model.groupMembers(1), QList<int>{1});
}

TEST(ModelGroups, OnlyChannelBlocksPropagate) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.setGroup(4, 1);
    model.setGroup(5, 1);
    model.write(266, {bits(-3.0f), 0x100});  // crosspoint
    model.write(343, {1000, 0, 0});          // generator
    model.setChannelName(4, QStringLiteral("Left"));
    model.write(395, {1});  // FIR bypass of channel 4
    model.write(407, {1});  // FIR name of channel 4
    model.write(342, {0});  // the source choice sends the generator type again
    model.setInputSource(0, InputSource::aes);
    EXPECT_FALSE(model.params().contains(383));
    EXPECT_FALSE(model.params().contains(396));
    EXPECT_FALSE(model.params().contains(408));
    EXPECT_EQ(model.params().size(), 8);
    EXPECT_EQ(model.channelName(5), QStringLiteral("OUT 2"));
}

TEST(ModelGroups, TheDemoStoresForEveryMemberAndSendsNothing) {
    livemodel::UnannouncedLink rig;
    DeviceSimulator& sim = rig.sim;
    DSPModel& model = rig.model();
    model.enterDemo();
    ASSERT_TRUE(model.demo());
    model.setGroup(4, 2);
    model.setGroup(5, 2);
    model.setGroup(7, 2);
    model.setGain(5, -10);
    model.setEQBypass(5, true);
    EXPECT_EQ(model.words(6, 2)[0], bits(-10.0f));
    EXPECT_EQ(model.words(8, 2)[0], bits(-10.0f));
    // A write after the demo is a barrier: the link sends in order, so anything the demo
    // had sent would arrive before it.
    model.exitDemo();
    model.write(1, {bits(-1.0f), 0x100});
    ASSERT_TRUE(livemodel::waitUntil([&] { return !sim.receivedWithCommand(5).isEmpty(); }));
    EXPECT_EQ(sim.receivedWithCommand(5).size(), 1);
    EXPECT_EQ(sim.receivedWithCommand(5)[0].words[1], 1u);
    EXPECT_TRUE(sim.receivedWithCommand(48).isEmpty());
}

TEST(ModelGroups, LimiterCountAppliesToTheChannelOnly) {
    livemodel::Live live([](DeviceSimulator& sim) { sim.device().params[195] = Words(5, 0); });
    DSPModel& model = *live.model;
    ASSERT_EQ(model.params().value(195).size(), 5);
    const qsizetype joined = live.sim.received().size();
    model.setGroup(5, 3);
    model.setGroup(6, 3);
    ASSERT_TRUE(live.waitForFrames(joined, 5, 18));
    const qsizetype mark = live.sim.received().size();
    model.setLimiter(5, {6, 100, true});
    ASSERT_TRUE(live.waitForFrames(mark, 5, 2));
    const QList<DSPFrame> writes = live.sentAfter(mark, 5);
    EXPECT_EQ(writes[0].words.size(), 2 + 5);
    EXPECT_EQ(writes[0].words[1], 195u);
    EXPECT_EQ(writes[1].words.size(), 2 + 6);
    EXPECT_EQ(writes[1].words[1], 196u);
    EXPECT_EQ(model.params().value(195).size(), 6);
}

TEST(ModelGroups, JoiningCopiesTheLowestMembersSettings) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(10, {bits(-4.0f), 0x101}, std::nullopt, false);  // channel 9
    model.write(6, {bits(-7.0f), 0x100}, std::nullopt, false);   // channel 5
    model.write(336, {bits(12.5f), 0}, std::nullopt, false);     // delay of channel 6
    model.write(7, {0, 0x100}, std::nullopt, false);             // channel 6, read
    model.setGroup(9, 2);
    model.setGroup(5, 2);
    EXPECT_EQ(model.words(6, 2)[0], bits(-4.0f)) << "channel 5 joins and takes channel 9's settings";
    model.setGroup(6, 2);
    EXPECT_EQ(model.words(7, 2), (Words{bits(-4.0f), 0x101}));
    EXPECT_EQ(model.words(336, 2)[0], bits(12.5f)) << "blocks the leader lacks are left alone";

    model.setGroup(8, 3);  // founds group 3: keeps its own settings
    EXPECT_FALSE(model.params().contains(9));
    model.setGroup(6, std::nullopt);
    EXPECT_FALSE(model.groupOf().contains(6));
    EXPECT_EQ(model.words(7, 2)[0], bits(-4.0f));
}

TEST(ModelCopy, ChannelCopyStaysWithinOneKind) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(3, {bits(-2.0f), 0x100}, std::nullopt, false);
    model.write(380, {1, 2}, std::nullopt, false);
    model.write(7, {0, 0x100}, std::nullopt, false);
    model.copyChannelSettings(2, 6);
    model.copyChannelSettings(2, 2);
    EXPECT_EQ(model.params().size(), 3);
    model.copyChannelSettings(2, 0);
    EXPECT_FALSE(model.params().contains(1)) << "a block never read is left alone";
    model.write(1, {0, 0x100}, std::nullopt, false);
    model.copyChannelSettings(2, 0);
    EXPECT_EQ(model.words(1, 2)[0], bits(-2.0f));
    EXPECT_FALSE(model.params().contains(378)) << "names are not copied";
}

TEST(ModelCopy, EQClipboardPastesOnlyOntoTheSameKind) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(ParamMap::eqBandParam(1, 14), {100, bits(3.0f), bits(1.0f), 0});
    model.write(155, {80, 13});
    model.copyEQ(1);
    ASSERT_TRUE(model.eqClipboard());
    EXPECT_EQ(model.eqClipboard()->bands.size(), 15);
    EXPECT_TRUE(model.canPasteEQ(3));
    EXPECT_FALSE(model.canPasteEQ(4));
    const auto before = model.params();
    model.pasteEQ(4);
    EXPECT_EQ(model.params(), before);
    // The target's parts as the device reported them; a paste writes over read parts only.
    model.write(ParamMap::eqBandParam(3, 14), {20000, 0, bits(3.0f), 0x100}, std::nullopt, false);
    model.write(157, {20, 0}, std::nullopt, false);
    model.write(ParamMap::eqBandParam(3, 0), {0, 0, 0, 0}, std::nullopt, false);
    model.pasteEQ(3);
    EXPECT_EQ(model.words(ParamMap::eqBandParam(3, 14), 4), (Words{100, bits(3.0f), bits(1.0f), 0}));
    EXPECT_EQ(model.words(157, 2), (Words{80, 13}));
    EXPECT_EQ(model.words(ParamMap::eqBandParam(3, 0), 4), (Words{0, 0, 0, 0}));
    EXPECT_TRUE(model.eqClipboard()) << "the clipboard stays for further pastes";
}

// A channel with nothing of its EQ read has nothing to copy: the clipboard keeps what it held.
TEST(ModelCopy, NothingToCopyFromAChannelWhoseEQWasNeverRead) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.write(1 + 6, {bits(-3.0f), 0});  // gain is not part of the EQ
    EXPECT_FALSE(model.canCopyEQ(6));
    model.copyEQ(6);
    EXPECT_FALSE(model.eqClipboard());
    model.write(166 + 6, {12000, 13});
    EXPECT_TRUE(model.canCopyEQ(6));
}

// Every band the table holds; a band never reported is left alone.
TEST(ModelCopy, FlatEQResetsEveryBandOfTheChannel) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    for (quint32 band = 14; band <= 153; ++band)
        if (band != 95) model.write(band, {1000, bits(6.0f), bits(1.0f), 3}, std::nullopt, false);
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    model.flatEQ(6);
    EXPECT_EQ(changes.count(), 9);
    EXPECT_EQ(model.params().value(94), (Words{31, bits(0.0f), bits(3.0f), 0}));
    EXPECT_FALSE(model.params().contains(95));
    EXPECT_EQ(model.params().value(103), (Words{16000, bits(0.0f), bits(3.0f), 0}));
    model.flatEQ(0);
    EXPECT_EQ(changes.count(), 24);
    EXPECT_EQ(model.params().value(28), (Words{20000, bits(0.0f), bits(3.0f), 0x100}));
}

TEST(ModelBypass, EQBypassGoesToEveryOutputMemberOnTheWire) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    model.setGroup(4, 1);
    model.setGroup(5, 1);
    model.setEQBypass(2, true);
    EXPECT_TRUE(model.eqBypassed().isEmpty());
    const qsizetype mark = live.sim.received().size();
    model.setEQBypass(5, true);
    EXPECT_EQ(model.eqBypassed(), (QSet<int>{4, 5}));
    ASSERT_TRUE(live.waitForFrames(mark, 48, 2));
    EXPECT_EQ(wordsOf(live.sentAfter(mark, 48)), (QList<Words>{{0, 1}, {0, 2}}));
    model.setEQBypass(4, false);
    ASSERT_TRUE(live.waitForFrames(mark, 49, 2));
    EXPECT_TRUE(model.eqBypassed().isEmpty());
}

TEST(ModelNames, ChannelNamesFallBackToDefaults) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    EXPECT_EQ(model.channelName(4), QStringLiteral("OUT 1"));
    EXPECT_EQ(model.channelName(2), QStringLiteral("IN C"));
    EXPECT_EQ(model.channelName(11), QStringLiteral("OUT 8"));
    model.write(378, {0x41414100, 0x42424242});
    EXPECT_EQ(model.channelName(0), QStringLiteral("IN A")) << "a leading zero byte is an empty name";
    model.setChannelName(1, QStringLiteral("Kick drüm mic"));
    EXPECT_EQ(model.channelName(1), QStringLiteral("Kick drm"));
    EXPECT_EQ(model.params().value(379).size(), 2);
}
