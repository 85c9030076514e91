// Block readers, encoders and setters: the exact words every clamp and rounding gives.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <cmath>
#include <limits>

#include "LiveModel.h"
#include "link/Levels.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

class ModelSetters : public ::testing::Test {
protected:
    livemodel::Offline offline{QStringLiteral("/nonexistent/demo.json")};
    DSPModel& model = *offline.model;

    // Setters edit only blocks the table holds; these start as a device reporting zeros.
    void hold(std::initializer_list<quint32> numbers) {
        for (quint32 n : numbers) model.write(n, Words(ParamMap::wordCount(n), 0), std::nullopt, false);
    }
};

// A read-back answer that never came leaves its parameter out of the table.
DeviceSimulator::Handler losingAnswersFor(QSet<quint32> lost) {
    return [lost](SimDevice& device, const DSPFrame& request) -> QList<SimReply> {
        const quint32 number = request.words.value(1);
        if (lost.contains(number)) return {};
        Words answer{0, number};
        answer += number == ParamMap::meters ? device.meters : device.params.value(number);
        return {SimReply{6, answer}};
    };
}

}  // namespace

TEST_F(ModelSetters, GainClampsAtTheFloorAndTopAndRoundsInSinglePrecision) {
    struct Case {
        float dB;
        quint32 expected;
    };
    const Case cases[] = {
        {-75, bits(-60.0f)},  {-60, bits(-60.0f)},        {20, bits(15.0f)}, {4.96f, bits(5.0f)},
        {-3.14f, 0xC0466667}, {12.34f, bits(123 * 0.1f)}, {-0.04f, 0},       {-0.0f, 0},
    };
    hold({7});
    for (const Case& c : cases) {
        model.setGain(6, c.dB);
        EXPECT_EQ(model.words(7, 2)[0], c.expected) << c.dB;
    }
    EXPECT_EQ(model.words(7, 2)[1], 0u) << "the flags word is kept";
}

TEST_F(ModelSetters, MuteAndPolarityChangeOnlyTheirBits) {
    model.write(5, {bits(-6.0f), 0x100});
    model.setMute(4, true);
    EXPECT_EQ(model.words(5, 2), (Words{bits(-6.0f), 0x101}));
    model.setPolarity(4, true);
    EXPECT_EQ(model.words(5, 2)[1], 0x001u);
    model.setMute(4, false);
    model.setPolarity(4, false);
    EXPECT_EQ(model.words(5, 2), (Words{bits(-6.0f), 0x100}));
}

TEST_F(ModelSetters, BandEncodingClampsByType) {
    auto encode = [](DSPModel::Band band) {
        Words w{1, 2, 3, 4};
        EXPECT_TRUE(DSPModel::encodeBand(w, band));
        return w;
    };
    EXPECT_EQ(encode({1000, 0, 2.0f, EQBandType::lowShelf, true})[2], bits(1.0f));
    EXPECT_EQ(encode({1000, 0, 0.1f, EQBandType::peak, true})[2], bits(0.25f));
    EXPECT_EQ(encode({1000, 0, 200, EQBandType::phase, true})[2], bits(179.0f));
    EXPECT_EQ(encode({1000, 0, 150, 20, true}), (Words{1000, bits(0.0f), bits(128.0f), 20}));
    EXPECT_EQ(encode({1000, 0, 150, 20, false})[3], 0x114u);
    EXPECT_EQ(encode({1000, -15.04f, 1, 0, true})[1], bits(-15.0f));
    EXPECT_EQ(encode({10, 0, 1, 0, true})[0], 20u);
    EXPECT_EQ(encode({30000, 0, 1, 0, true})[0], 22000u);

    const DSPModel::Band read = DSPModel::decodeBand({250, bits(-2.5f), bits(4.0f), 0x107});
    EXPECT_EQ(read.freq, 250);
    EXPECT_EQ(read.gain, -2.5f);
    EXPECT_EQ(read.q, 4.0f);
    EXPECT_EQ(read.type, EQBandType::phase);
    EXPECT_FALSE(read.on);
}

TEST_F(ModelSetters, FilterWordsCarrySlopeAndOffBit) {
    Words w{0, 0};
    DSPModel::encodeFilter(w, {80, FilterSlope::lr24, false});
    EXPECT_EQ(w, (Words{80, 0x10D}));
    model.write(155, w);
    EXPECT_EQ(model.highPass(1).slope, FilterSlope::lr24);
    EXPECT_FALSE(model.highPass(1).on);
    // A slope byte that names no slope reads as BW12.
    model.write(167, {500, 0x2A});
    EXPECT_EQ(model.lowPass(1).slope, FilterSlope::bw12);
}

TEST_F(ModelSetters, CompressorClampsEveryFieldAndKeepsWordTwo) {
    model.write(178, {0, 0, 0xABCD, 0, 0, 0}, std::nullopt, false);
    model.setCompressor(4, {-95, 0.5f, 0, 5000, -3, true});
    EXPECT_EQ(model.words(178, 6), (Words{bits(-90.0f), bits(1.0f), 0xABCD, 1, 2895, 0}));
    // The switch, never reported, reads as on: a level edit leaves it alone.
    EXPECT_FALSE(model.params().contains(186));

    model.setCompressor(4, {23.96f, 150, 10, 100, 45, false});
    EXPECT_EQ(model.words(178, 6), (Words{bits(24.0f), bits(100.0f), 0xABCD, 10, 100, 30}));
    EXPECT_EQ(model.params().value(186), Words{1});
    model.setCompressor(4, {-20, 3.33f, 10, 100, 6, false});
    EXPECT_EQ(model.compressor(4).ratio, 3.33f) << "ratios are not rounded";
    EXPECT_FALSE(model.compressor(4).on);
}

TEST_F(ModelSetters, LimiterThresholdHasNoNegativeRange) {
    hold({195});
    model.setLimiter(5, {-5, 100, true});
    EXPECT_EQ(model.limiter(5).threshold, 0.0f);
    model.setLimiter(5, {30, 0, true});
    EXPECT_EQ(model.limiter(5).threshold, 24.0f);
    EXPECT_EQ(model.limiter(5).release, 1);
    EXPECT_FALSE(model.params().contains(203)) << "an unchanged on state writes no off word";
    model.setLimiter(5, {6, 50, false});
    EXPECT_EQ(model.params().value(203), Words{1});
}

TEST_F(ModelSetters, GateThresholdAndOffWordAreIndependent) {
    hold({211});
    model.setGate(1, -95.0f, std::nullopt);
    EXPECT_EQ(model.words(211, 6)[0], bits(-90.0f));
    EXPECT_FALSE(model.params().contains(215));
    model.setGate(1, std::nullopt, true);
    EXPECT_EQ(model.params().value(215), Words{0});
    model.setGate(1, 3.0f, false);
    EXPECT_EQ(model.words(211, 6)[0], bits(0.0f));
    EXPECT_EQ(model.params().value(215), Words{1});
}

TEST_F(ModelSetters, DynamicEQBandLayout) {
    hold({359});
    model.setDEQBand(1, 2, {10, -3, 0.1f, DEQMode::boostBelow, false, 30, 0, 9999, 0});
    EXPECT_EQ(model.words(359, 8),
              (Words{20, bits(0.0f), bits(0.27f), 0x100, bits(24.0f), 1, 2895, bits(1.0f)}));
    model.setDEQBand(1, 2, {100, 20, 20, DEQMode::boostBelow, false, 0, 1, 1, 1});
    EXPECT_EQ(model.deqBand(1, 2).q, 15.0f);
    EXPECT_EQ(model.deqBand(1, 2).maxGain, 12.0f);

    model.write(360, {0, 0, 0, 0x0501});
    EXPECT_TRUE(model.deqBand(2, 0).active);
    EXPECT_EQ(model.deqBand(2, 0).mode, DEQMode::boostAbove) << "mode byte 5 names no mode";
}

TEST_F(ModelSetters, CrosspointsReadOffWhenAbsentAndALevelEditKeepsTheConnectionWord) {
    EXPECT_FALSE(model.crosspoint(275).on);
    EXPECT_EQ(model.crosspoint(275).level, 0.0f);
    model.write(275, {bits(0.0f), 0});
    EXPECT_TRUE(model.crosspoint(275).on) << "a stored zero flags word reads as on";

    Words w{0, 0};
    DSPModel::encodeCrosspoint(w, std::nullopt, 20.0f);
    EXPECT_EQ(w, (Words{bits(12.0f), 0}));
    DSPModel::encodeCrosspoint(w, true, -70.0f);
    EXPECT_EQ(w, (Words{bits(-60.0f), 0x100}));
}

TEST_F(ModelSetters, GeneratorsKeepTheirOtherWords) {
    hold({343});
    model.write(344, {bits(-10.0f), 0x10});
    model.setGenerator(Generator::pink, -100.0f, std::nullopt);
    EXPECT_EQ(model.words(344, 2), (Words{bits(-90.0f), 0x10}));
    EXPECT_EQ(model.generatorLevel(Generator::pink), -90.0f);

    model.setGenerator(Generator::sine, std::nullopt, false);
    EXPECT_EQ(model.words(343, 3)[2], 1u);
    EXPECT_FALSE(model.generatorIsOn(Generator::sine));
    model.setGenerator(Generator::sine, 3.0f, true);
    EXPECT_EQ(model.generatorLevel(Generator::sine), 0.0f);
    EXPECT_TRUE(model.generatorIsOn(Generator::sine));
    model.setSineFrequency(-5);
    EXPECT_EQ(model.words(343, 3)[0], 20u);
}

TEST_F(ModelSetters, InputSourcesKeepThePhysicalSourceUnderTheTestSignal) {
    model.write(342, {2});
    model.setInputSource(2, InputSource::dante);
    EXPECT_EQ(model.params().value(348), Words{0});
    EXPECT_EQ(model.params().value(352), Words{1});
    model.setInputSource(2, InputSource::testSignal);
    EXPECT_EQ(model.params().value(348), Words{1});
    EXPECT_EQ(model.params().value(352), Words{1});
    EXPECT_EQ(model.params().value(342), Words{2});
    EXPECT_EQ(model.inputSource(2), InputSource::testSignal);
    model.setInputSource(2, InputSource::aes);
    EXPECT_EQ(model.inputSource(2), InputSource::aes);

    model.write(351, {7});
    EXPECT_EQ(model.inputSource(1), InputSource::aes) << "an unknown source word reads as AES";
    EXPECT_EQ(model.inputSource(0), InputSource::analog) << "absent words read as analog";
    model.write(350, {99});
    EXPECT_EQ(model.inputSource(0), InputSource::testSignal) << "the test signal's raw value";
}

TEST_F(ModelSetters, NonFiniteValuesChangeNothing) {
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    model.setGain(0, notANumber);
    model.setGain(0, -inf);
    model.setCompressor(4, {notANumber, 2, 1, 1, 1, true});
    model.setCompressor(4, {-10, inf, 1, 1, 1, true});
    model.setLimiter(4, {notANumber, 1, true});
    model.setGate(0, inf, true);
    model.setDEQBand(0, 0, {100, 3, notANumber, DEQMode::cutAbove, true, 0, 1, 1, 1});
    model.setGenerator(Generator::sine, notANumber, true);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(model.params().isEmpty());

    Words w{1, 2, 3, 4};
    EXPECT_FALSE(DSPModel::encodeBand(w, {100, notANumber, 1, 0, true}));
    EXPECT_FALSE(DSPModel::encodeCrosspoint(w, true, inf));
    EXPECT_EQ(w, (Words{1, 2, 3, 4}));
}

// Words a device sent that no control could hold are reported but not held, and edits of their
// block change nothing; zeros, a setting never made, are held as values.
TEST_F(ModelSetters, WordsNoControlCouldHoldAreNotHeldAndNotEdited) {
    const quint32 band = ParamMap::eqBandParam(0, 0);
    const quint32 deq = 354;
    const quint32 pink = 344;
    const quint32 attack = 178;  // OUT 1's compressor, attack in word 3
    hold({band, deq, pink, attack, ParamMap::eqBandParam(0, 1)});
    EXPECT_TRUE(model.holds(band) && model.holds(deq) && model.holds(attack)) << "zeros are values";
    model.write(band, {1000, bits(notANumber), bits(1.0f), 0}, std::nullopt, false);
    model.write(deq, {1000, bits(3.0f), bits(1.0f), 1, bits(-inf), 10, 10, bits(2.0f)}, std::nullopt, false);
    model.write(pink, {bits(notANumber), 0}, std::nullopt, false);
    model.write(attack, {0, bits(2.0f), 0, 4294967295u, 10, 3}, std::nullopt, false);
    for (quint32 n : {band, deq, pink, attack}) EXPECT_TRUE(model.reported(n) && !model.holds(n)) << n;
    EXPECT_TRUE(
        model.unshowable(attack)->contains(QStringLiteral("4294967295 in word 3, outside 1 to 2895")));
    EXPECT_EQ(model.unreadCount(), int(ParamMap::allParameters().size()) - 5);

    const DSPModel::Table before = model.params();
    model.setDEQBand(0, 0, {500, 3, 1, DEQMode::cutAbove, true, -10, 10, 10, 2});
    model.setGenerator(Generator::pink, -20, true);
    model.setCompressor(4, {-10, 2, 5, 10, 3, true});
    EXPECT_EQ(model.params(), before);
    // Flat sends whole words of its own, so it mends the band.
    model.flatEQ(0);
    EXPECT_TRUE(model.holds(band));
}

TEST_F(ModelSetters, NeverReadBlocksGiveZeroRecords) {
    const DSPModel::Compressor c = model.compressor(7);
    EXPECT_EQ(c.threshold, 0.0f);
    EXPECT_EQ(c.ratio, 0.0f);
    EXPECT_EQ(c.attack, 0);
    EXPECT_TRUE(c.on);
    EXPECT_TRUE(model.limiter(7).on);
}

// MUTE on a channel whose gain words were never read would send 0 dB with the polarity
// inverted: every edit of a block the table lacks must stay off the wire.
TEST(ModelSettersLive, BlocksTheReadBackMissedAreNeitherEditedNorSent) {
    const QSet<quint32> lost{5, 178, 342, 343};
    livemodel::Live live([&](DeviceSimulator& sim) { sim.setHandler(6, losingAnswersFor(lost)); });
    DSPModel& model = *live.model;
    EXPECT_EQ(model.unreadCount(), lost.size());
    EXPECT_FALSE(model.heldWords(5, 2));
    EXPECT_EQ(model.heldWords(6, 2), model.words(6, 2));

    const qsizetype mark = live.sim.received().size();
    model.setMute(4, true);
    model.setPolarity(4, true);
    model.setGain(4, -3);
    model.setCompressor(4, {-10, 2, 5, 50, 0, false});
    model.setSineFrequency(1000);
    model.setGenerator(Generator::sine, -10.0f, true);
    model.setInputSource(0, InputSource::dante);
    model.setInputSource(1, InputSource::testSignal);
    for (quint32 number : lost) EXPECT_FALSE(model.holds(number)) << number;

    // A held channel still edits; its write is queued after anything the others sent.
    model.setMute(5, true);
    ASSERT_TRUE(live.waitForFrames(mark, 5, 1));
    const QList<DSPFrame> writes = live.sentAfter(mark, 5);
    ASSERT_EQ(writes.size(), 1);
    EXPECT_EQ(writes[0].words.value(1), 6u);
}
