#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "link/HexText.h"

namespace {

const QByteArray kMagic = QByteArray::fromHex("A5A11A5A");

}  // namespace

TEST(HexTextParse, SeparatorsPrefixesOddDigitsAndEmptyTexts) {
    const std::pair<QString, QByteArray> cases[] = {
        {"A5 A1 1A 5A", kMagic},
        {"A5,A1,1A,5A", kMagic},
        {"0xA5 0xA1 0x1A 0x5A", kMagic},
        {"A5A11A5A", kMagic},
        {"a5\ta1\n1a,, 5a ", kMagic},
        {"AB5", QByteArray::fromHex("AB05")},
        {"A B 5", QByteArray::fromHex("0A0B05")},
        {"10x20", QByteArray::fromHex("1200")},
        // Texts without pieces give an empty buffer, not a refusal.
        {"", {}},
        {" ", {}},
        {", \n\t,", {}},
        {"0x", {}},
        {"0x 0x,0x", {}},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(parseHexBytes(text), bytes) << text.toStdString();
    }
}

TEST(HexTextParse, AnyBadGroupRefusesTheWholeText) {
    for (const QString text : {"0X12", "00xx0x1" /* one pass leaves 0x1 */, "12 ZZ", "AA\r\nBB", "AA:BB",
                               "A-B", "G", "12 3 +F", "\u00C4A", "0x\u0301A", "AA\u00A0BB"}) {
        EXPECT_EQ(parseHexBytes(text), std::nullopt) << text.toStdString();
    }
}

TEST(HexTextFormat, UpperCasePairsAndTheirRoundTrip) {
    EXPECT_EQ(hexPairs(QByteArray::fromHex("0AFF00")), (QStringList{"0A", "FF", "00"}));
    EXPECT_TRUE(hexPairs({}).isEmpty());
    EXPECT_EQ(hexText(kMagic), "A5 A1 1A 5A");
    EXPECT_EQ(hexText({}), "");

    QRandomGenerator random(17);
    for (int i = 0; i < 100; ++i) {
        QByteArray bytes(random.bounded(40), '\0');
        for (char& byte : bytes) byte = char(random.bounded(256));
        EXPECT_EQ(hexText(bytes), hexPairs(bytes).join(' '));
        EXPECT_EQ(parseHexBytes(hexText(bytes)), bytes);
    }
}
