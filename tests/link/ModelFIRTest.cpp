// FIR block transfers against the simulator: the upload's frames word for word, status
// codes and retries, read-back, clear, and serialised operations.
#include <gtest/gtest.h>

#include <limits>

#include <QSignalSpy>

#include "LiveModel.h"
#include "link/Levels.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

const QList<quint16> firCommands{128, 129, 130, 131, 132, 133, 135};

QList<DSPFrame> firFramesAfter(const livemodel::Live& live, qsizetype mark) {
    QList<DSPFrame> frames;
    for (qsizetype i = mark; i < live.sim.received().size(); ++i)
        if (firCommands.contains(live.sim.received()[i].command)) frames.append(live.sim.received()[i]);
    return frames;
}

Words ramp(int taps) {
    Words w;
    for (int i = 0; i < taps; ++i) w.append(bits(float(i) / 1000.0f));
    return w;
}

}  // namespace

TEST(ModelFIR, UploadSendsStartHeaderIndexedChunksAndCommit) {
    livemodel::Live live;
    const Words coefficients = ramp(300);
    const Words header{0x500, 300, 0, 0, 0};
    const qsizetype mark = live.sim.received().size();
    EXPECT_EQ(livemodel::run(live.model->uploadFIR(header, coefficients, 0x500)), std::nullopt);
    const QList<DSPFrame> frames = firFramesAfter(live, mark);
    ASSERT_EQ(frames.size(), 5);
    EXPECT_EQ(frames[0].command, 135);
    EXPECT_EQ(frames[0].words, (Words{0, 0}));
    EXPECT_EQ(frames[1].command, 128);
    EXPECT_EQ(frames[1].words, header);
    EXPECT_EQ(frames[2].command, 129);
    EXPECT_EQ(frames[2].words, Words{0x500} + coefficients.first(256));
    EXPECT_EQ(frames[3].words, Words{0x10500} + coefficients.mid(256));
    EXPECT_EQ(frames[4].command, 130);
    EXPECT_EQ(frames[4].words, (Words{0x500, 0}));
    EXPECT_EQ(live.sim.device().fir.blocks.value(0x500).coefficients, coefficients);
}

TEST(ModelFIR, StatusAnswersEndTheUploadWithTheirTexts) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    live.sim.device().fir.statusCodes = {0, 5};
    const qsizetype mark = live.sim.received().size();
    EXPECT_EQ(livemodel::run(model.uploadFIR({0x100, 4, 0, 0, 0}, ramp(4), 0x100)),
              QStringLiteral("The DSP rejected the header (code 5)."));
    EXPECT_TRUE(live.sentAfter(mark, 129).isEmpty());

    live.sim.setHandler(128, [](SimDevice&, const DSPFrame&) { return QList<SimReply>{{1, {2}}}; });
    EXPECT_EQ(livemodel::run(model.uploadFIR({0x100, 4, 0, 0, 0}, ramp(4), 0x100)),
              QStringLiteral("The DSP couldn't read the header. Close any other program connected to the DSP "
                             "and try again."));
}

TEST(ModelFIR, APlainAcknowledgementIsNotAStepsAnswer) {
    // Costs one step timeout (3 s).
    livemodel::Live live;
    live.sim.setHandler(128, [](SimDevice&, const DSPFrame&) { return QList<SimReply>{{1, {0}}}; });
    EXPECT_EQ(livemodel::run(live.model->uploadFIR({0x100, 1, 0, 0, 0}, ramp(1), 0x100)),
              QStringLiteral("No answer from the DSP (header)."));
}

TEST(ModelFIR, SendRetriesThreeTimesAndNamesOnlyAfterSuccess) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    // The read of the block before comes first; then the first start and the second attempt's
    // coefficients fail.
    live.sim.device().fir.statusCodes = {0, 9, 0, 0, 9};
    const qsizetype mark = live.sim.received().size();
    EXPECT_EQ(livemodel::run(
                  model.sendFIR(4, ramp(10), std::nullopt, QStringLiteral("Horn EQ → v2, very long name"))),
              std::nullopt);
    EXPECT_EQ(live.sentAfter(mark, 135).size(), 5);  // a read-back before and after the three attempts
    EXPECT_EQ(live.sentAfter(mark, 128).last().words, (Words{0x500, 10, 0, 0, 0}));
    EXPECT_EQ(model.firName(4), QStringLiteral("Horn EQ  v2, very long n"));

    live.sim.device().fir.statusCodes = {0, 1, 2, 3};
    EXPECT_EQ(
        livemodel::run(model.sendFIR(4, ramp(10), Words{0x500, 0x1000A, 0, 0, 0}, QStringLiteral("New"))),
        QStringLiteral("The DSP rejected the start (code 3)."));
    EXPECT_EQ(model.firName(4), QStringLiteral("Horn EQ  v2, very long n"))
        << "a failed upload keeps the name";
}

TEST(ModelFIR, SendChecksTheTapCountAndTheLink) {
    livemodel::Live live;
    const qsizetype mark = live.sim.received().size();
    EXPECT_EQ(livemodel::run(live.model->sendFIR(0, ramp(513), std::nullopt, QStringLiteral("x"))),
              QStringLiteral("A FIR filter must have 1 to 512 taps."));
    EXPECT_EQ(livemodel::run(live.model->sendFIR(0, {}, std::nullopt, QStringLiteral("x"), 1024)),
              QStringLiteral("A FIR filter must have 1 to 1024 taps."));
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity()}) {
        Words taps = ramp(8);
        taps[5] = levels::bits(bad);
        EXPECT_EQ(
            livemodel::run(live.model->sendFIR(0, taps, std::nullopt, QStringLiteral("x"))),
            QStringLiteral("The FIR filter holds values that are not numbers (tap 6); nothing was sent."));
    }
    EXPECT_TRUE(firFramesAfter(live, mark).isEmpty());

    livemodel::Offline offline;
    offline.model->enterDemo();
    EXPECT_EQ(livemodel::run(offline.model->sendFIR(0, ramp(4), std::nullopt, QStringLiteral("x"))),
              DSPModel::notConnectedText);
    EXPECT_EQ(livemodel::run(offline.model->clearFIR(0)), DSPModel::notConnectedText);
    EXPECT_EQ(livemodel::run(offline.model->readFIR(0)), std::nullopt);
}

TEST(ModelFIR, ReadBackGathersChunksUpToTheTapCount) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    for (int taps : {256, 512}) {
        const quint32 target = DSPModel::firTarget(taps == 256 ? 2 : 3);
        live.sim.device().fir.blocks[target] = {{target, quint32(taps) | (2u << 16), 0, 0, 0}, ramp(taps)};
    }
    const qsizetype mark = live.sim.received().size();
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    const auto short256 = livemodel::run(model.readFIR(2));
    ASSERT_TRUE(short256);
    EXPECT_EQ(short256->header, (Words{0x300, 256 | (2u << 16), 0, 0, 0}));
    ASSERT_EQ(short256->coefficients.size(), 256);
    EXPECT_EQ(bits(short256->coefficients[255]), ramp(256)[255]);
    EXPECT_EQ(live.sentAfter(mark, 132).size(), 1);

    const auto long512 = livemodel::run(model.readFIR(3));
    ASSERT_TRUE(long512);
    ASSERT_EQ(long512->coefficients.size(), 512);
    EXPECT_EQ(bits(long512->coefficients[511]), ramp(512)[511]);
    const QList<DSPFrame> chunks = live.sentAfter(mark, 132);
    ASSERT_EQ(chunks.size(), 3);
    EXPECT_EQ(chunks[2].words, Words{0x10400});
    EXPECT_EQ(live.sentAfter(mark, 133).last().words, (Words{0x400, 0}));
    EXPECT_EQ(changes.count(), 0) << "a read-back stores nothing";

    // A block reporting no taps asks for no chunk.
    live.sim.device().fir.blocks[0x100] = {{0x100, 0, 0, 0, 0}, {}};
    const qsizetype before = live.sim.received().size();
    const auto empty = livemodel::run(model.readFIR(0));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->coefficients.isEmpty());
    QList<quint16> commands;
    for (const DSPFrame& frame : firFramesAfter(live, before)) commands.append(frame.command);
    EXPECT_EQ(commands, (QList<quint16>{135, 131, 133}));
}

// A read that comes back short is in part, and holds only taps whose place is known: chunks
// the device keeps small, a chunk a word short, a first chunk a word short, a filter longer
// than four chunks.
TEST(ModelFIR, AReadInPartKeepsEveryTapInItsPlace) {
    livemodel::Live live;
    const struct {
        int taps;
        int chunkWords;
        int shortChunk;
        qsizetype held;
    } cases[] = {{512, 100, -1, 400}, {1024, 256, 1, 256},   {300, 256, 1, 256},
                 {512, 256, 0, 0},    {1100, 256, -1, 1024}, {1024, 256, -1, 1024}};
    for (const auto& c : cases) {
        const quint32 target = DSPModel::firTarget(6);
        live.sim.device().fir.blocks[target] = {{target, quint32(c.taps), 0, 0, 0}, ramp(c.taps)};
        live.sim.device().fir.readChunkWords = c.chunkWords;
        live.sim.device().fir.shortReadChunk = c.shortChunk;
        const auto fir = livemodel::run(live.model->readFIR(6));
        ASSERT_TRUE(fir) << c.taps;
        EXPECT_EQ(fir->taps(), c.taps);
        EXPECT_EQ(fir->whole(), c.held == c.taps) << c.taps << " " << c.shortChunk;
        Words held;
        for (float value : fir->coefficients) held.append(bits(value));
        EXPECT_EQ(held, ramp(c.taps).first(c.held)) << c.taps << " " << c.shortChunk;
    }
}

TEST(ModelFIR, ClearUploadsAPassThroughAndEmptiesTheName) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    model.write(403, DSPFrame::packString(QStringLiteral("Old"), 6), std::nullopt, false);
    const qsizetype mark = live.sim.received().size();
    EXPECT_EQ(livemodel::run(model.clearFIR(0)), std::nullopt);
    EXPECT_EQ(live.sentAfter(mark, 128).last().words, (Words{0x100, 1, 0, 0, 0}));
    EXPECT_EQ(live.sentAfter(mark, 129).last().words, (Words{0x100, 0x3F800000}));
    EXPECT_EQ(model.params().value(403), Words(6, 0));
    EXPECT_EQ(model.firName(0), QString());
}

TEST(ModelFIR, ConcurrentOperationsTakeTurnsOnTheWire) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    const qsizetype mark = live.sim.received().size();
    std::optional<QString> first = QStringLiteral("pending");
    std::optional<QString> second = QStringLiteral("pending");
    tasks::startTask([&]() -> QCoro::Task<> {
        const Words header{0x100, 300, 0, 0, 0};
        first = co_await model.uploadFIR(header, ramp(300), 0x100);
    });
    tasks::startTask([&]() -> QCoro::Task<> { second = co_await model.clearFIR(5); });
    ASSERT_TRUE(livemodel::waitUntil([&] { return !first.has_value() && !second.has_value(); }));
    QList<quint16> commands;
    for (const DSPFrame& frame : firFramesAfter(live, mark)) commands.append(frame.command);
    // The clear reads the block before and after its upload.
    EXPECT_EQ(commands, (QList<quint16>{135, 128, 129, 129, 130, 135, 131, 132, 133, 135, 128, 129, 130, 135,
                                        131, 132, 133}));
}
