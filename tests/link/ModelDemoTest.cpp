// The demo device: its data file, the meter animation and leaving it.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "LiveModel.h"
#include "link/Levels.h"
#include "link/MeterStore.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

QString writeFile(QTemporaryDir& dir, const QByteArray& content) {
    const QString path = dir.filePath(QStringLiteral("demo.json"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

// Records the published levels of `ticks` animation ticks.
QList<QList<float>> animate(DSPModel& model, int ticks) {
    QList<QList<float>> seen;
    QObject::connect(&model.meterStore(), &MeterStore::levelsChanged,
                     [&] { seen.append(model.meterStore().levels()); });
    EXPECT_TRUE(livemodel::waitUntil([&] { return seen.size() >= ticks; }, 30000));
    QObject::disconnect(&model.meterStore(), nullptr, nullptr, nullptr);
    return seen.first(ticks);
}

}  // namespace

TEST(ModelDemo, TheDataFileFillsTheTableAndBadKeysAreSkipped) {
    QTemporaryDir dir;
    const QString path = writeFile(dir, R"({"1": [1, 2], "+2": [3], "x": [4], "-0": [5], "07": [6]})");
    livemodel::Offline offline(path);
    DSPModel& model = *offline.model;
    model.write(300, {9});
    model.enterDemo();
    EXPECT_TRUE(model.demo());
    EXPECT_EQ(model.params(), (DSPModel::Table{{0, {5}}, {1, {1, 2}}, {2, {3}}, {7, {6}}}));
}

TEST(ModelDemo, AnUnreadableFileKeepsTheTableButStartsTheDemo) {
    QTemporaryDir dir;
    for (const QByteArray content : {QByteArray(R"({"1": [1, -2]})"), QByteArray(R"({"1": [1.5]})"),
                                     QByteArray("[1, 2]"), QByteArray("{oops")}) {
        livemodel::Offline offline(writeFile(dir, content));
        offline.model->write(300, {9});
        offline.model->enterDemo();
        EXPECT_TRUE(offline.model->demo()) << content.constData();
        EXPECT_EQ(offline.model->params(), (DSPModel::Table{{300, {9}}})) << content.constData();
    }
    livemodel::Offline missing(dir.filePath(QStringLiteral("missing.json")));
    missing.model->enterDemo();
    EXPECT_TRUE(missing.model->demo());
    EXPECT_TRUE(missing.model->params().isEmpty());
}

TEST(ModelDemo, MetersFollowGainsAndMutes) {
    QTemporaryDir dir;
    // OUT 1 at -60 dB, OUT 2 at 0 dB, OUT 3 muted, IN A muted.
    const QString path =
        writeFile(dir, QStringLiteral(R"({"1": [0, 1], "5": [%1, 256], "6": [0, 256], "7": [0, 257]})")
                           .arg(bits(-60.0f))
                           .toUtf8());
    livemodel::Offline offline(path);
    DSPModel& model = *offline.model;
    model.enterDemo();
    const QList<QList<float>> ticks = animate(model, 12);
    for (const QList<float>& l : ticks) {
        ASSERT_EQ(l.size(), 12);
        EXPECT_GE(l[4], -84.5f);
        EXPECT_LE(l[4], -67.5f);
        EXPECT_GE(l[5], -31.5f);
        EXPECT_LE(l[5], -7.5f);
        EXPECT_GE(l[1], -26.0f);
        EXPECT_LE(l[1], -5.0f);
    }
    // The muted channels fall 3 dB a tick from where they stood, down to the floor.
    EXPECT_EQ(ticks[0][0], -84.5f);
    EXPECT_EQ(ticks[0][6], -84.5f);
    EXPECT_EQ(ticks.back()[2], -80.0f);
    EXPECT_EQ(ticks.back()[3], -80.0f);

    // Muting OUT 2 drops its meter by exactly 3 dB a tick.
    model.setMute(5, true);
    const QList<QList<float>> falling = animate(model, 3);
    EXPECT_FLOAT_EQ(falling[1][5], falling[0][5] - 3.0f);
    EXPECT_FLOAT_EQ(falling[2][5], falling[1][5] - 3.0f);
}

TEST(ModelDemo, LeavingEmptiesTheTableAndSilencesTheMeters) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.enterDemo();
    animate(model, 1);
    model.exitDemo();
    EXPECT_FALSE(model.demo());
    EXPECT_TRUE(model.params().isEmpty());
    EXPECT_EQ(model.meterStore().levels(), QList<float>(12, -84.5f));
}

TEST(ModelDemo, ADeviceLinkBlocksEnteringTheDemo) {
    livemodel::Live live;
    const auto table = live.model->params();
    live.model->enterDemo();
    EXPECT_FALSE(live.model->demo());
    EXPECT_EQ(live.model->params(), table);
}
