// Preset slots against the simulator: the list with names, store, recall with a fresh
// read-back, delete by mask, and the guards that send nothing.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "LiveModel.h"

using Words = DSPModel::Words;
using Slot = DSPModel::PresetSlot;

TEST(ModelPresets, TheListCarriesNamesOfOccupiedSlots) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().presets.occupied = 0b101 | (1u << 31);
        sim.device().presets.current = 2;
        sim.device().presets.names = {{0, QStringLiteral("  Live  ")}, {2, QStringLiteral("   ")}};
    });
    EXPECT_EQ(live.model->presets(),
              (QList<Slot>{{0, QStringLiteral("Live")}, {2, QStringLiteral("(unnamed)")}}));
    EXPECT_EQ(live.model->currentPreset(), 2);

    // A slot whose name goes unanswered is still listed; a short list answer is none: the
    // list held before may no longer be the device's, so it is left unknown (empty).
    live.sim.faults().silentCommands = {17};
    live.sim.device().presets.occupied = 0b1001;
    livemodel::run(live.model->refreshPresets());
    EXPECT_EQ(live.model->presets(), (QList<Slot>{{0, QString(), false}, {3, QString(), false}}));
    live.sim.setHandler(8, [](SimDevice&, const DSPFrame&) { return QList<SimReply>{{8, {0, 0b1}}}; });
    EXPECT_FALSE(livemodel::run(live.model->refreshPresets()));
    EXPECT_TRUE(live.model->presets().isEmpty());
    EXPECT_EQ(live.model->currentPreset(), std::nullopt);
}

TEST(ModelPresets, StoreSendsTheFilteredPaddedNameThenReadsTheList) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    QList<bool> busy;
    QObject::connect(&model, &DSPModel::presetBusyChanged, [&] { busy.append(model.presetBusy()); });
    EXPECT_TRUE(livemodel::run(model.storePreset(2, QStringLiteral("Stage A"))));
    EXPECT_EQ(busy, (QList<bool>{true, false}));
    const DSPFrame store = live.sim.receivedWithCommand(9).last();
    EXPECT_EQ(store.words, Words{2} + DSPFrame::packString(QStringLiteral("Stage A             "), 5));
    EXPECT_EQ(model.presets().last(), (Slot{2, QStringLiteral("Stage A")}));

    EXPECT_TRUE(livemodel::run(model.storePreset(3, QStringLiteral("Bühne–Mix 2024, long name here"))));
    EXPECT_EQ(DSPFrame::unpackString(live.sim.receivedWithCommand(9).last().words.mid(1)),
              QStringLiteral("BhneMix 2024, long n"));
    EXPECT_EQ(presetNameText(QStringLiteral("a\x7F\tb")), QStringLiteral("a\x7F"
                                                                         "b"));
}

TEST(ModelPresets, RecallReadsEverythingBackThenTheListTwice) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    live.sim.device().presets.occupied |= 1u << 30;
    live.sim.device().presets.stored[30] = live.sim.device().params;
    live.sim.device().presets.stored[30][1] = {0x40000000, 0x101};
    const qsizetype mark = live.sim.received().size();
    QSignalSpy resets(&model, &DSPModel::paramsReset);
    EXPECT_TRUE(livemodel::run(model.recallPreset(30)));
    EXPECT_EQ(live.sentAfter(mark, 10).first().words, Words{30});
    EXPECT_EQ(model.params().value(1), (Words{0x40000000, 0x101}));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(live.sentAfter(mark, 8).size(), 2);
    EXPECT_EQ(model.currentPreset(), 30);
    EXPECT_FALSE(model.presetBusy());
    EXPECT_TRUE(livemodel::run(model.recallPreset(0))) << "the protected slots can be recalled";
}

TEST(ModelPresets, DeleteSendsTheSlotsBit) {
    livemodel::Live live([](DeviceSimulator& sim) {
        sim.device().presets.occupied = 0b11 | (1u << 30);
        sim.device().presets.names[30] = QStringLiteral("Old");
    });
    ASSERT_EQ(live.model->presets().size(), 3);
    EXPECT_TRUE(livemodel::run(live.model->deletePreset(30)));
    EXPECT_EQ(live.sim.receivedWithCommand(18).last().words, Words{0x40000000});
    EXPECT_EQ(live.model->presets().size(), 2);
}

TEST(ModelPresets, GuardsRefuseWithoutSending) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    const qsizetype mark = live.sim.received().size();
    EXPECT_FALSE(livemodel::run(model.storePreset(0, QStringLiteral("x"))));
    EXPECT_FALSE(livemodel::run(model.storePreset(1, QStringLiteral("x"))));
    EXPECT_FALSE(livemodel::run(model.deletePreset(1)));
    EXPECT_FALSE(livemodel::run(model.deletePreset(32)));
    EXPECT_FALSE(livemodel::run(model.recallPreset(-1)));
    EXPECT_FALSE(model.presetBusy());
    for (quint16 command : {9, 10, 18}) EXPECT_TRUE(live.sentAfter(mark, command).isEmpty());

    livemodel::Offline offline;
    offline.model->enterDemo();
    EXPECT_FALSE(livemodel::run(offline.model->storePreset(5, QStringLiteral("x"))));
    EXPECT_FALSE(livemodel::run(offline.model->recallPreset(5)));
    EXPECT_FALSE(livemodel::run(offline.model->deletePreset(5)));
    livemodel::run(offline.model->refreshPresets());
    EXPECT_TRUE(offline.model->presets().isEmpty());
}

TEST(ModelPresets, SilentDeviceTimesOutStoreAndRecall) {
    // One run of each timeout (3 s and 6 s): a device that never acknowledges.
    livemodel::Live live;
    live.sim.faults().silentCommands = {9, 10};
    EXPECT_FALSE(livemodel::run(live.model->storePreset(4, QStringLiteral("Late"))));
    EXPECT_FALSE(livemodel::run(live.model->recallPreset(4)));
    EXPECT_FALSE(live.model->presetBusy());
}
