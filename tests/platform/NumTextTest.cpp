#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <bit>
#include <clocale>
#include <cmath>
#include <limits>

#include "platform/NumText.h"
#include "support/GermanLocale.h"

using numtext::parseDouble;
using numtext::parseInteger;
using numtext::shortest;

TEST(NumTextParseDouble, AcceptsTheWholeTextInCSyntax) {
    const std::pair<const char16_t*, double> accepted[] = {
        {u"1.5", 1.5}, {u"-2", -2.0},    {u"+3.25e2", 325.0}, {u"1E-3", 0.001},   {u".5", 0.5},
        {u"5.", 5.0},  {u"0x1p4", 16.0}, {u"-0", -0.0},       {u"inf", INFINITY}, {u"-Infinity", -INFINITY},
    };
    for (const auto& [text, value] : accepted) {
        const auto parsed = parseDouble(text);
        ASSERT_TRUE(parsed.has_value()) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(*parsed, value) << QString::fromUtf16(text).toStdString();
    }
    EXPECT_TRUE(std::isnan(parseDouble(u"NaN").value_or(0)));
    EXPECT_TRUE(std::signbit(*parseDouble(u"-0")));
}

TEST(NumTextParseDouble, RefusesPartialOrPaddedText) {
    for (const char16_t* text : {u"", u" 1", u"\t1", u"1 ", u"1\n", u"1,5", u"1.5x", u"abc", u"e5", u"1e",
                                 u"--1", u"1\u00A0", u"\u0661"}) {
        EXPECT_EQ(parseDouble(text), std::nullopt) << QString::fromUtf16(text).toStdString();
    }
    EXPECT_EQ(parseDouble(QStringView(u"1\0"
                                      "2",
                                      3)),
              std::nullopt);
}

TEST(NumTextParseInteger, DecimalWithSignAndFullRange) {
    EXPECT_EQ(parseInteger(u"-1"), -1);
    EXPECT_EQ(parseInteger(u"+4"), 4);
    EXPECT_EQ(parseInteger(u"007"), 7);
    EXPECT_EQ(parseInteger(u"9223372036854775807"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(parseInteger(u"-9223372036854775808"), std::numeric_limits<qint64>::min());
    for (const char16_t* text : {u"", u"+", u"-", u" 1", u"1 ", u"1.0", u"1e3", u"0x10", u"abc", u"+-1",
                                 u"9223372036854775808", u"-9223372036854775809", u"99999999999999999999"}) {
        EXPECT_EQ(parseInteger(text), std::nullopt) << QString::fromUtf16(text).toStdString();
    }
}

TEST(NumTextParseInteger, HexadecimalWithoutPrefix) {
    EXPECT_EQ(parseInteger(u"28E9", 16), 0x28E9);
    EXPECT_EQ(parseInteger(u"28a", 16), 0x28A);
    EXPECT_EQ(parseInteger(u"-1", 16), -1);
    EXPECT_EQ(parseInteger(u"7FFFFFFFFFFFFFFF", 16), std::numeric_limits<qint64>::max());
    EXPECT_EQ(parseInteger(u"-8000000000000000", 16), std::numeric_limits<qint64>::min());
    for (const char16_t* text : {u"0x28E9", u"8000000000000000", u"G", u"28E9 ", u""}) {
        EXPECT_EQ(parseInteger(text, 16), std::nullopt) << QString::fromUtf16(text).toStdString();
    }
}

// Only the one spelling of an IPv4 address: a leading zero reads as octal elsewhere, a
// doubled dot as a shorter address, so neither is guessed at.
TEST(NumTextDottedQuad, OneSpellingOnly) {
    for (const char16_t* text : {u"192.168.2.2", u"0.0.0.0", u"255.255.255.255"})
        EXPECT_EQ(numtext::dottedQuad(text), QString::fromUtf16(text));
    for (const char16_t* text : {u"", u"localhost", u"192.168.2", u"1.2.3.4.5", u"192.168.2.256", u" 1.2.3.4",
                                 u"1.2.3.4 ", u"192.168..2.2", u".1.2.3.4.", u"+1.2.3.4", u"-0.0.95.2",
                                 u"0x7f.0.0.1", u"010.1.1.1", u"1.2.3.04", u"1.2.3.0004", u"1.2.\u0663.4"})
        EXPECT_EQ(numtext::dottedQuad(text), std::nullopt) << QString::fromUtf16(text).toStdString();
}

TEST(NumTextFormat, PrintfFormsAsTheCommandLinePrintsThem) {
    EXPECT_EQ(numtext::format("%.2f", 5.0 * 512 * 0.5 / 48 / 5), "5.33");
    EXPECT_EQ(numtext::format("%6.0f Hz  FIR %+6.1f dB", 100.0, -3.04), "   100 Hz  FIR   -3.0 dB");
    EXPECT_EQ(numtext::format("%.9g", double(0.1f)), "0.100000001");
    EXPECT_EQ(numtext::format("%.9g", 0.0), "0");
    EXPECT_EQ(numtext::format("%04d-%02d-%02d", 2024, 3, 9), "2024-03-09");
    EXPECT_EQ(numtext::format("0x%08X", 0xE00002C5u), "0xE00002C5");
    EXPECT_EQ(numtext::format("%.0f %.0f %.1f", 562.5, 281.25, 0.25), "562 281 0.2");  // exact halves to even
}

// Fixed form with a fraction inside the range, exponent form outside it.
TEST(NumTextShortest, FixedOrExponentFormAndSpecialValues) {
    const std::pair<float, const char*> cases[] = {
        {1.0f, "1.0"},
        {0.0f, "0.0"},
        {-0.0f, "-0.0"},
        {0.0001f, "0.0001"},
        {16777216.0f, "16777216.0"},
        {1e7f, "10000000.0"},
        {0.30000001f, "0.3"},
        {1.5e-5f, "1.5e-05"},
        {-9.9e-5f, "-9.9e-05"},
        {16777218.0f, "1.6777218e+07"},
        {1e20f, "1e+20"},
        {std::numeric_limits<float>::max(), "3.4028235e+38"},
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
        {INFINITY, "inf"},
        {-INFINITY, "-inf"},
        {NAN, "nan"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(shortest(value), text) << text;
}

TEST(NumTextShortest, ReadsBackAsTheSameFloat) {
    QRandomGenerator random(20240601);
    for (int i = 0; i < 20000; ++i) {
        const float value = std::bit_cast<float>(random.generate());
        if (!std::isfinite(value)) continue;
        const QString text = shortest(value);
        const auto parsed = parseDouble(text);
        ASSERT_TRUE(parsed.has_value()) << text.toStdString();
        EXPECT_EQ(std::bit_cast<quint32>(float(*parsed)), std::bit_cast<quint32>(value))
            << text.toStdString();
        EXPECT_TRUE(text.contains(u'.') || text.contains(u'e')) << text.toStdString();
    }
}

TEST(NumTextLocale, GermanLocaleChangesNothing) {
    kestrel_test::GermanLocale german;
    if (!german.active()) GTEST_SKIP() << german.reason().toStdString();
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(parseDouble(u"1.5"), 1.5);
    EXPECT_EQ(parseDouble(u"1,5"), std::nullopt);
    EXPECT_EQ(numtext::format("%.1f|%+6.1f|%-7.1f|", -12.26, 3.0, -60.0), "-12.3|  +3.0|-60.0  |");
    EXPECT_EQ(shortest(-2.5f), "-2.5");
    EXPECT_EQ(shortest(1.5e-5f), "1.5e-05");
    EXPECT_EQ(parseInteger(u"-42"), -42);
}
