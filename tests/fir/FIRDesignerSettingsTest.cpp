#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

#include "fir/FIRDesignerSettings.h"
#include "link/DeviceVocabulary.h"

using Band = FIRDesignerSettings::Band;

namespace {

FIRDesignerSettings withBand(const Band& band) {
    FIRDesignerSettings s;
    s.bands[0] = band;
    return s;
}

}  // namespace

TEST(FIRDesignerSettings, Defaults) {
    const FIRDesignerSettings s = FIRDesignerSettings::defaults();
    ASSERT_EQ(s.bands.size(), 15u);
    EXPECT_EQ(s.bands.front(), (Band{false, 0, 30, 4.32, 0}));
    EXPECT_EQ(s.bands.back(), (Band{false, 0, 14544, 4.32, 0}));
    EXPECT_EQ(s.bands[8].hz, 1035);
    for (double hz : {1.0, 20.0, 1000.0, 24000.0}) EXPECT_EQ(s.targetDB(hz), 0);
}

TEST(FIRDesignerSettings, HighAndLowPassSlopes) {
    FIRDesignerSettings s;
    s.hpOn = true;
    s.hpHz = 100;
    s.hpSlope = 99;  // no such slope: BW12
    EXPECT_NEAR(s.targetDB(100), -10 * std::log10(2), 1e-12);
    EXPECT_NEAR(s.targetDB(50), -10 * std::log10(1 + 16), 1e-12);
    s.hpSlope = FilterSlope::lr24;
    EXPECT_NEAR(s.targetDB(100), -20 * std::log10(2), 1e-12);
    EXPECT_NEAR(s.targetDB(50), -20 * std::log10(1 + 16), 1e-12);
    s.hpSlope = FilterSlope::bl48;  // eighth order
    EXPECT_NEAR(s.targetDB(50), -10 * std::log10(1 + std::pow(2, 16)), 1e-9);
    s.hpSlope = FilterSlope::bw6;
    s.lpOn = true;
    s.lpHz = 1000;
    s.lpSlope = FilterSlope::lr48;
    EXPECT_NEAR(s.targetDB(2000), -10 * std::log10(1 + 0.0025) - 20 * std::log10(1 + 256), 1e-12);

    s.eqBypass = true;
    EXPECT_EQ(s.targetDB(2000), 0);
}

TEST(FIRDesignerSettings, BandsCountOnlyWhenOnAndNotFlat) {
    EXPECT_EQ(withBand({true, EQBandType::notch, 1000, 4, 0}).targetDB(1000), 0);
    EXPECT_EQ(withBand({false, EQBandType::peak, 1000, 4, 6}).targetDB(1000), 0);
    EXPECT_LT(withBand({true, EQBandType::notch, 1000, 4, -3}).targetDB(1010), -20);
    // Pass, band-pass and notch shapes do not scale with the gain.
    EXPECT_EQ(withBand({true, EQBandType::notch, 1000, 4, -3}).targetDB(900),
              withBand({true, EQBandType::notch, 1000, 4, 9}).targetDB(900));
    for (EQBandType type : {EQBandType::allpass, EQBandType::allpass2, EQBandType::phase})
        EXPECT_EQ(withBand({true, type, 1000, 4, 6}).targetDB(1000), 0);
    // A peak reaches its gain at its centre; an unknown type is a peak; Q below 0.1 is 0.1.
    EXPECT_NEAR(withBand({true, EQBandType::peak, 1000, 4, 6}).targetDB(1000), 6, 1e-9);
    EXPECT_EQ(withBand({true, 77, 1000, 4, 6}).targetDB(700), withBand({true, 0, 1000, 4, 6}).targetDB(700));
    EXPECT_EQ(withBand({true, 0, 1000, 0.05, 6}).targetDB(300),
              withBand({true, 0, 1000, 0.1, 6}).targetDB(300));
    // Bands whose product of power ratios leaves the range of a double still add up in dB.
    for (double db : {250.0, -250.0}) {
        FIRDesignerSettings extreme;
        for (Band& band : extreme.bands) band = {true, EQBandType::peak, 1000, 4, db};
        const double one = withBand(extreme.bands[0]).targetDB(1000);
        EXPECT_NEAR(one, db, 1e-3);
        EXPECT_NEAR(extreme.targetDB(1000), 15 * one, 1e-8);
    }
    // Shelves reach their gain far from the corner.
    EXPECT_NEAR(withBand({true, EQBandType::lowShelf, 1000, 0.7, 6}).targetDB(20), 6, 0.01);
    EXPECT_NEAR(withBand({true, EQBandType::highShelf, 1000, 0.7, -4}).targetDB(20000), -4, 0.05);
}

TEST(FIRDesignerSettings, JsonRoundTripAndStrictDecoding) {
    FIRDesignerSettings s;
    s.normalise = true;
    s.offsetDB = -3.5;
    s.hpSlope = 13;
    s.bands[3] = {true, EQBandType::notch, 250.5, 9, -2};
    s.taps = 256;
    s.name = "Left top";
    const QJsonObject json = s.toJson();
    EXPECT_EQ(json.keys().size(), 20);
    const QByteArray stored = QJsonDocument(json).toJson(QJsonDocument::Compact);
    EXPECT_EQ(FIRDesignerSettings::fromJson(QJsonDocument::fromJson(stored).object()), s);
    EXPECT_NE(FIRDesignerSettings::defaults(), s);

    for (const QString& key : json.keys()) {
        QJsonObject missing = json;
        missing.remove(key);
        EXPECT_FALSE(FIRDesignerSettings::fromJson(missing)) << key.toStdString();
        QJsonObject wrong = json;
        wrong.insert(key, key == "name" ? QJsonValue(1) : QJsonValue("x"));
        EXPECT_FALSE(FIRDesignerSettings::fromJson(wrong)) << key.toStdString();
    }
    for (const char* key : {"on", "type", "hz", "q", "db"}) {
        QJsonArray bands = json["bands"].toArray();
        QJsonObject band = bands[2].toObject();
        band.remove(key);
        bands[2] = band;
        QJsonObject broken = json;
        broken["bands"] = bands;
        EXPECT_FALSE(FIRDesignerSettings::fromJson(broken)) << key;
    }
    for (const QJsonValue& taps : {QJsonValue(256.5), QJsonValue(1e12), QJsonValue(true)}) {
        QJsonObject broken = json;
        broken["taps"] = taps;
        EXPECT_FALSE(FIRDesignerSettings::fromJson(broken));
    }
    QJsonObject notObjects = json;
    notObjects["bands"] = QJsonArray{1, 2};
    EXPECT_FALSE(FIRDesignerSettings::fromJson(notObjects));
}
