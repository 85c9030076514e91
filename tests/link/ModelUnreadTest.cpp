// What the model knows after a later read-back (a recall, a reconnect) is what that read-back
// answered, whole: a lost or short answer leaves its setting unread, and nothing that builds
// on unread words reaches the device.
#include <gtest/gtest.h>

#include "LiveModel.h"
#include "link/Levels.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

// The device carries out the request, but its answer is lost on the way back.
std::function<bool(const DSPFrame&)> losing(QSet<quint32> reads, QSet<quint16> commands) {
    return [reads, commands](const DSPFrame& request) {
        return commands.contains(request.command) ||
               (request.command == 6 && reads.contains(request.words.value(1)));
    };
}

// Tries the edits of channel `ch`'s gain block, then mutes the held channel `marker`: once that
// write has arrived, any edit made before it has too. Gives the parameters written since `mark`.
QList<quint32> editThenFlush(livemodel::Live& live, qsizetype mark, int ch, int marker) {
    live.model->setMute(ch, true);
    live.model->setPolarity(ch, true);
    live.model->setGain(ch, -6);
    live.model->setMute(marker, true);
    const auto written = [&] {
        QList<quint32> numbers;
        for (const DSPFrame& frame : live.sentAfter(mark, 5)) numbers.append(frame.words.value(1));
        return numbers;
    };
    EXPECT_TRUE(livemodel::waitUntil([&] { return written().contains(quint32(marker) + 1); }));
    return written();
}

}  // namespace

// After a recall, OUT 1's gain, one EQ band of OUT 2, the generator type and the preset list go
// unanswered, and OUT 3's gain comes back one word short: exactly those end unread, as at a
// first connect, and no edit sends the words held before the recall. Flat leaves the unread
// band alone.
TEST(ModelUnread, ARecallWithLostAnswersLeavesExactlyThoseUnreadAndNothingWritesThem) {
    livemodel::Live live([](DeviceSimulator& sim) { sim.device().presets.occupied |= 1u << 3; });
    DSPModel& model = *live.model;
    ASSERT_EQ(model.presets().size(), 3);
    const quint32 outTwoBand = ParamMap::eqBandParam(5, 1);
    const QSet<quint32> lost{5, outTwoBand, 342};
    live.sim.device().presets.stored[3] = live.sim.device().params;
    live.sim.device().presets.stored[3][5] = {bits(-20.0f), 0x101};
    live.sim.device().presets.stored[3][7] = {bits(-3.0f)};
    live.sim.faults().answerLost = losing(lost, {8});

    ASSERT_TRUE(livemodel::run(model.recallPreset(3)));
    for (quint32 number : lost + QSet<quint32>{7}) EXPECT_FALSE(model.holds(number)) << number;
    EXPECT_EQ(model.unreadCount(), 4);
    EXPECT_TRUE(model.presets().isEmpty());
    EXPECT_EQ(model.currentPreset(), std::nullopt);
    // Short outside a read-back too; frames arrive in order, so once the second is in, so is the first.
    live.sim.sendToAll(6, {0, 7, bits(-3.0f)});
    live.sim.sendToAll(6, {0, 8, bits(-4.0f), 0x100});
    ASSERT_TRUE(livemodel::waitUntil([&] { return model.words(8, 2)[0] == bits(-4.0f); }));

    const qsizetype mark = live.sim.received().size();
    model.flatEQ(5);
    model.setInputSource(0, InputSource::testSignal);  // sends the generator type again
    model.setGain(6, 1);
    const QList<quint32> written = editThenFlush(live, mark, 4, 7);
    for (quint32 number : lost + QSet<quint32>{7}) EXPECT_FALSE(written.contains(number)) << number;
    for (int b = 0; b < 10; ++b) EXPECT_EQ(written.contains(ParamMap::eqBandParam(5, b)), b != 1) << b;
    EXPECT_EQ(live.sim.device().params.value(5), (Words{bits(-20.0f), 0x101}));
}

// The link drops and comes back to a device that now loses IN B's gain, its group and its
// firmware: the table and the texts hold nothing of the earlier link, from the moment the
// read-back shows.
TEST(ModelUnread, AReconnectForgetsWhatItsReadBackDoesNotAnswer) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    live.sim.closeClients();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !model.connected(); }));
    live.sim.faults().answerLost = losing({2}, {0x23});
    live.sim.device().identityWordCount = 3;
    std::optional<qsizetype> tableWhenReadingShows;
    QObject::connect(&model, &DSPModel::loadingChanged, [&] {
        if (model.loading() == 0.0 && !tableWhenReadingShows) tableWhenReadingShows = model.params().size();
    });
    const int lists = live.presetLists;
    model.link().connect(live.sim.host());
    ASSERT_TRUE(livemodel::waitUntil([&] { return live.settled() && live.presetLists > lists; }));
    EXPECT_EQ(tableWhenReadingShows, 0);
    EXPECT_EQ(model.unreadCount(), 1);
    EXPECT_FALSE(model.holds(2));
    EXPECT_EQ(model.link().deviceGroup(), QString());
    EXPECT_EQ(model.link().firmware(), std::nullopt);
    EXPECT_EQ(editThenFlush(live, live.sim.received().size(), 1, 0), QList<quint32>{1});
}

// OUT 2's gain, IN B's gain and OUT 1's compressor switch go unanswered: group edits, a join
// and a compressor level edit leave those words alone, and a level edit of a crosspoint the
// device reports with a connection word of 0 keeps that word.
TEST(ModelUnread, GroupEditsAndWordsBesideAnEditSkipWhatTheDeviceNeverReported) {
    const quint32 crosspoint = ParamMap::grids()[1].crosspoint(0, 0);
    const Words outTwoGain{bits(-2.0f), 0x2};  // polarity inverted, a flag bit of its own
    livemodel::Live live([&](DeviceSimulator& sim) {
        sim.device().params[6] = outTwoGain;
        sim.device().params[186] = {1};  // the compressor is off
        sim.device().params[crosspoint] = {bits(-6.0f), 0};
        sim.faults().answerLost = losing({2, 6, 186}, {});
    });
    DSPModel& model = *live.model;
    ASSERT_FALSE(model.holds(6));
    ASSERT_TRUE(model.crosspoint(crosspoint).on);
    const qsizetype mark = live.sim.received().size();
    for (int ch : {4, 5, 7}) model.setGroup(ch, 1);  // OUT 2 joins OUT 1's group: nothing to copy onto
    model.setGain(7, -1);
    for (int ch : {0, 1}) model.setGroup(ch, 2);
    model.setMute(0, true);
    model.setMute(0, false);
    DSPModel::Compressor compressor = model.compressor(4);
    compressor.threshold = -20;
    model.setCompressor(4, compressor);
    Words level = *model.heldWords(crosspoint, 2);
    ASSERT_TRUE(DSPModel::encodeCrosspoint(level, std::nullopt, -3.0f));
    EXPECT_EQ(level, (Words{bits(-3.0f), 0}));

    const QList<quint32> written = editThenFlush(live, mark, 9, 10);
    for (quint32 number : {2u, 6u, 186u}) EXPECT_FALSE(written.contains(number)) << number;
    for (quint32 number : {1u, 5u, 8u, 178u}) EXPECT_TRUE(written.contains(number)) << number;
    EXPECT_EQ(live.sim.device().params.value(6), outTwoGain);
    EXPECT_EQ(live.sim.device().params.value(186), Words{1});
}
