#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

#include "link/Levels.h"
#include "link/ParamTableJson.h"

using levels::bits;

TEST(Levels, StepRoundingKeepsTheSinglePrecisionProduct) {
    struct Case {
        float in;
        quint32 expected;
    };
    const Case cases[] = {
        {-3.14f, 0xC0466667},                             // -31 * 0.1f = -3.1000001, not -3.0999999
        {-0.04f, 0x80000000},                             // rounds to -0.0, sign kept
        {12.34f, bits(123 * 0.1f)},                       // 12.3000002
        {4.96f, bits(5.0f)},        {0.05f, bits(0.1f)},  // halves away from zero
        {-0.05f, bits(-0.1f)},
    };
    for (const Case& c : cases) EXPECT_EQ(bits(levels::roundToTenth(c.in)), c.expected) << c.in;
}

TEST(Levels, FloorIsTestedBeforeRounding) {
    EXPECT_EQ(levels::floorTop(-75, -60, 15), -60.0f);
    EXPECT_EQ(levels::floorTop(-60, -60, 15), -60.0f);
    // -59.96 rounds to -60.0 through the step, which is the same bits as the floor.
    EXPECT_EQ(bits(levels::floorTop(-59.96f, -60, 15)), bits(-60.0f));
    EXPECT_EQ(levels::floorTop(20, -60, 15), 15.0f);
    EXPECT_EQ(levels::floorTop(std::numeric_limits<float>::infinity(), -60, 15), 15.0f);
}

TEST(Levels, IntegerClampsCoverNegativeAndFullWordInputs) {
    EXPECT_EQ(levels::clampWord(-3, 0, 30), 0u);
    EXPECT_EQ(levels::clampWord(0xFFFFFFFFll, 20, 22000), 22000u);
    EXPECT_EQ(levels::clampFloat(0.5f, 1, 100), 1.0f);
    EXPECT_EQ(levels::clampFloat(3.33f, 1, 100), 3.33f);
}

TEST(ParamTableJson, KeysAreStrictUnsignedDecimals) {
    EXPECT_EQ(paramjson::parseParameterKey("1"), 1u);
    EXPECT_EQ(paramjson::parseParameterKey("+12"), 12u);
    EXPECT_EQ(paramjson::parseParameterKey("-0"), 0u);
    EXPECT_EQ(paramjson::parseParameterKey("-000"), 0u);
    EXPECT_EQ(paramjson::parseParameterKey("007"), 7u);
    EXPECT_EQ(paramjson::parseParameterKey("4294967295"), 4294967295u);
    for (const char* bad :
         {"", "+", "-", "-1", "x", "1x", " 1", "1 ", "4294967296", "99999999999999999999", "1.0"})
        EXPECT_FALSE(paramjson::parseParameterKey(bad).has_value()) << bad;
}

TEST(ParamTableJson, WordListsAcceptOnlyUnsigned32BitIntegers) {
    auto parse = [](const char* json) {
        return paramjson::wordsFromJson(QJsonDocument::fromJson(QByteArray("[") + json + "]").array());
    };
    EXPECT_EQ(parse("0, 4294967295, 3248488448"), (QList<quint32>{0, 4294967295u, 3248488448u}));
    EXPECT_EQ(parse(""), QList<quint32>{});
    for (const char* bad : {"-1", "1.5", "4294967296", "\"1\"", "null", "[1]", "true"})
        EXPECT_FALSE(parse(bad).has_value()) << bad;
    EXPECT_FALSE(paramjson::wordsFromJson(QJsonValue(3)).has_value());
    // Large words survive the trip through JSON text as integers.
    const QJsonValue out = paramjson::wordsToJson({1000000000u, 4294967295u});
    EXPECT_EQ(QJsonDocument(out.toArray()).toJson(QJsonDocument::Compact), "[1000000000,4294967295]");
}
