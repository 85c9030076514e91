#include <gtest/gtest.h>

#include <QJsonArray>

#include <cmath>
#include <numbers>

#include "fir/FIRDesign.h"
#include "fir/GoldenVectors.h"

using FIRDesign::Kind;
using FIRDesign::Spec;

TEST(FIRDesign, KindsHaveTheirRawValuesAndLabels) {
    EXPECT_EQ(FIRDesign::kindFromRaw(1), Kind::highPass);
    EXPECT_EQ(FIRDesign::kindFromRaw(4), Kind::flat);
    EXPECT_EQ(FIRDesign::kindFromRaw(0), std::nullopt);
    EXPECT_EQ(FIRDesign::kindFromRaw(5), std::nullopt);
    QStringList labels;
    for (Kind kind : FIRDesign::allKinds) labels << FIRDesign::label(kind);
    EXPECT_EQ(labels, QStringList({"High-pass", "Band-pass", "Low-pass", "Flat (pass-through)"}));
}

TEST(FIRDesign, MatchesTheWindowedSincOfTheReference) {
    const QJsonArray cases = goldenVectors()["kaiser"].toArray();
    ASSERT_FALSE(cases.isEmpty());
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QString kind = c["kind"].toString();
        const Spec spec{kind == "highPass"  ? Kind::highPass
                        : kind == "lowPass" ? Kind::lowPass
                                            : Kind::bandPass,
                        c["lowHz"].toDouble(), c["highHz"].toDouble(), c["taps"].toInt(),
                        c["attenuationDB"].toDouble()};
        SCOPED_TRACE(kind.toStdString() + " " + std::to_string(spec.taps));
        expectCloseToReference(FIRDesign::design(spec), floatsOf(c["h"].toArray()));
    }
}

TEST(FIRDesign, ShortAndOddLengths) {
    EXPECT_EQ(FIRDesign::design({Kind::lowPass, 20, 1000, 1, 80}), QList<float>{0.0f});
    EXPECT_TRUE(FIRDesign::design({Kind::lowPass, 20, 1000, 0, 80}).empty());
    EXPECT_TRUE(FIRDesign::design({Kind::lowPass, 20, 1000, -3, 80}).empty());

    // Two taps: the single computed tap sits at the centre, its window 1 / I0(beta).
    const QList<float> two = FIRDesign::design({Kind::lowPass, 20, 12000, 2, 20});
    EXPECT_EQ(two, (QList<float>{0.5f, 0.0f}));

    // Odd lengths have no tap at the exact centre: flat is silent, high-pass loses its impulse.
    for (float tap : FIRDesign::design({Kind::flat, 20, 22000, 7, 80})) EXPECT_EQ(tap, 0.0f);
    const QList<float> high = FIRDesign::design({Kind::highPass, 20, 22000, 7, 80});
    const QList<float> low = FIRDesign::design({Kind::lowPass, 20, 20, 7, 80});
    for (int i = 0; i < 7; ++i) EXPECT_FLOAT_EQ(high[i], -low[i]);
}

TEST(FIRDesign, FlatIsAnImpulseAtTheCentreWhateverTheEdges) {
    for (int taps : {2, 256, 512}) {
        const QList<float> h = FIRDesign::design({Kind::flat, 5000, 100, taps, 10});
        for (int i = 0; i < taps; ++i) EXPECT_EQ(h[i], i == (taps - 2) / 2 ? 1.0f : 0.0f) << taps << " " << i;
    }
}

TEST(FIRDesign, HighPassIsSymmetricAboutItsCentre) {
    const QList<float> h = FIRDesign::design({Kind::highPass, 20, 22000, 256, 80});
    ASSERT_EQ(h.size(), 256);
    for (int i = 0; i < 127; ++i) EXPECT_EQ(h[i], h[254 - i]) << i;
    EXPECT_NEAR(FIRDesign::responseDB(h, 5000), 0, 0.01);
    const QList<float> at2k = FIRDesign::design({Kind::highPass, 2000, 22000, 256, 80});
    EXPECT_LT(FIRDesign::responseDB(at2k, 200), -70);
}

TEST(FIRDesign, ReversedBandPassIsTheNegatedBand) {
    const QList<float> forward = FIRDesign::design({Kind::bandPass, 300, 3000, 64, 60});
    const QList<float> reversed = FIRDesign::design({Kind::bandPass, 3000, 300, 64, 60});
    for (int i = 0; i < 64; ++i) EXPECT_EQ(reversed[i], -forward[i]);
}

TEST(FIRDesign, HeaderWords) {
    using Words = QList<quint32>;
    EXPECT_EQ(FIRDesign::headerWords(0x500, {Kind::highPass, 20, 22000, 256, 80}),
              (Words{0x500, 0x10100, 0x500006, 0x14, 0x55F0}));
    EXPECT_EQ(FIRDesign::headerWords(0x500, {Kind::lowPass, 20, 22000, 256, 80}),
              (Words{0x500, (3u << 16) | 256, (80u << 16) | 6, 20, 22000}));
    // Halves round away from zero.
    EXPECT_EQ(FIRDesign::headerWords(0xC00, {Kind::bandPass, 0.5, 2.5, 512, 59.5}),
              (Words{0xC00, (2u << 16) | 512, (60u << 16) | 6, 1, 3}));
    // Out-of-range values are clamped, never converted with undefined results.
    EXPECT_EQ(FIRDesign::headerWords(0x100, {Kind::flat, NAN, 1e12, -4, -80}),
              (Words{0x100, 4u << 16, 6, 0, 0xFFFFFFFF}));
    // The attenuation word keeps 32 bits: its top is shifted out.
    EXPECT_EQ(FIRDesign::headerWords(0x100, {Kind::flat, 1, 1, 1, 65537})[2], (1u << 16) | 6);

    // Edges are clamped in the design but not in the header.
    EXPECT_EQ(FIRDesign::headerWords(0x500, {Kind::lowPass, 0, 30000, 64, 80})[4], 30000u);
    EXPECT_EQ(FIRDesign::design({Kind::highPass, 0, 22000, 64, 80}),
              FIRDesign::design({Kind::highPass, 1, 22000, 64, 80}));
    EXPECT_EQ(FIRDesign::design({Kind::lowPass, 20, 30000, 64, 80}),
              FIRDesign::design({Kind::lowPass, 20, 24000, 64, 80}));
}

TEST(FIRDesign, ResponseOfSimpleLists) {
    EXPECT_DOUBLE_EQ(FIRDesign::responseDB({}, 1000), -180);
    for (double hz : {0.0, 440.0, 23999.0}) EXPECT_DOUBLE_EQ(FIRDesign::responseDB({1.0f}, hz), 0);
    // A two-tap average has a zero at Nyquist and is 3 dB down at a quarter of the rate.
    EXPECT_NEAR(FIRDesign::responseDB({0.5f, 0.5f}, 12000), 20 * std::log10(std::cos(std::numbers::pi / 4)),
                1e-12);
    EXPECT_LT(FIRDesign::responseDB({0.5f, 0.5f}, 24000), -150);
}
