#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <bit>

#include "link/DSPFrame.h"
#include "support/RandomFrames.h"

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

const DSPFrame kIdentify{DSPFrame::broadcast, 3, {}};
const DSPFrame kGainWrite{
    {0x0B, 0x04, 0x01, 0x04, 0x00, 0x00}, 5, {0, 1, std::bit_cast<quint32>(-10.0f), 256}};
const QByteArray kGainWriteBytes =
    hex("A5A11A5A0B04010400000500040000000000000001000000000020C100010000FBFEDF3E");

DSPFrame::Words countingWords(int n) {
    DSPFrame::Words words;
    for (int i = 0; i < n; ++i) words.append(quint32(i * 0x01010101u));
    return words;
}

}  // namespace

TEST(DSPFrameEncode, KnownFramesGiveTheirExactBytes) {
    EXPECT_EQ(kIdentify.encode(), hex("A5A11A5AFFFFFFFFFFFF03000000000000000000"));
    EXPECT_EQ(kGainWrite.encode(), kGainWriteBytes);

    const QByteArray meterRead = DSPFrame{DSPFrame::broadcast, 6, {0, 366}}.encode();
    EXPECT_EQ(meterRead.size(), 28);
    EXPECT_TRUE(meterRead.endsWith(hex("90FEFFFF")));
}

TEST(DSPFrameEncode, ReportsArePaddedPiecesOfTheFrame) {
    const QList<QByteArray> identify = kIdentify.reports();
    ASSERT_EQ(identify.size(), 1);
    EXPECT_EQ(identify[0], kIdentify.encode() + QByteArray(44, '\0'));

    const DSPFrame eleven{DSPFrame::broadcast, 5, countingWords(11)};
    ASSERT_EQ(eleven.reports().size(), 1);
    EXPECT_EQ(eleven.reports()[0], eleven.encode());

    const DSPFrame twelve{DSPFrame::broadcast, 5, countingWords(12)};
    const QList<QByteArray> two = twelve.reports();
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0] + two[1].left(4), twelve.encode());
    EXPECT_EQ(two[1].mid(4), QByteArray(60, '\0'));

    EXPECT_EQ(kIdentify.reports(7).size(), 3);
}

TEST(DSPFrameDecode, HeaderRulesForTheExpectedLength) {
    const QByteArray header = kGainWriteBytes.left(16);
    EXPECT_EQ(DSPFrame::expectedLength(header), 36);
    EXPECT_EQ(DSPFrame::expectedLength(header.left(15)), std::nullopt);
    EXPECT_EQ(DSPFrame::expectedLength(QByteArray(header).replace(0, 1, "\xA4")), std::nullopt);

    QByteArray counted = header;
    counted.replace(12, 4, hex("FF0F0000"));
    EXPECT_EQ(DSPFrame::expectedLength(counted), 16400);
    counted.replace(12, 4, hex("00100000"));
    EXPECT_EQ(DSPFrame::expectedLength(counted), std::nullopt);
    counted.replace(12, 4, hex("FFFFFFFF"));
    EXPECT_EQ(DSPFrame::expectedLength(counted), std::nullopt);
}

TEST(DSPFrameDecode, GivesTheFrameBackOnlyWhenWholeAndIntact) {
    EXPECT_EQ(DSPFrame::decode(kGainWriteBytes), kGainWrite);
    EXPECT_EQ(DSPFrame::decode(kGainWriteBytes + hex("A5A11A5A00")), kGainWrite);
    EXPECT_EQ(DSPFrame::decode(kGainWriteBytes.chopped(1)), std::nullopt);
    EXPECT_EQ(DSPFrame::decode(kIdentify.encode()), kIdentify);

    // The checksum leaves address and command uncovered.
    QByteArray readdressed = kGainWriteBytes;
    readdressed[4] = 0x0C;
    readdressed[10] = 0x06;
    const auto frame = DSPFrame::decode(readdressed);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->address[0], 0x0C);
    EXPECT_EQ(frame->command, 6);
    EXPECT_EQ(frame->words, kGainWrite.words);
}

TEST(DSPFrameProperties, EncodeDecodeRoundTripForAnyWordCount) {
    QRandomGenerator random(7);
    for (int count : {0, 4095}) {
        const DSPFrame frame = kestrel_test::randomFrame(random, count);
        const QByteArray bytes = frame.encode();
        EXPECT_EQ(bytes.size(), 20 + 4 * count);
        EXPECT_EQ(DSPFrame::decode(bytes), frame) << count << " words";
    }
    for (int i = 0; i < 200; ++i) {
        const DSPFrame frame = kestrel_test::randomFrame(random, random.bounded(4096));
        EXPECT_EQ(DSPFrame::decode(frame.encode()), frame);
    }
}

TEST(DSPFrameProperties, AnyChangedWordByteFailsTheChecksum) {
    QRandomGenerator random(11);
    for (int i = 0; i < 500; ++i) {
        const DSPFrame frame = kestrel_test::randomFrame(random, 1 + random.bounded(64));
        QByteArray bytes = frame.encode();
        const int offset = 16 + random.bounded(int(bytes.size()) - 16);  // a word or the checksum
        bytes[offset] = char(bytes[offset] ^ (1 + random.bounded(255)));
        EXPECT_EQ(DSPFrame::decode(bytes), std::nullopt) << "byte " << offset;
    }
}

TEST(DSPFrameText, PackingIsLittleEndianUtf8PaddedWithZeros) {
    const DSPFrame::Words out1 = DSPFrame::packString("OUT 1", 2);
    EXPECT_EQ(out1, (DSPFrame::Words{0x2054554F, 0x00000031}));
    EXPECT_EQ(DSPFrame::unpackString(out1), "OUT 1");

    const DSPFrame::Words full = DSPFrame::packString("ABCDEFGH", 2);
    EXPECT_EQ(full, (DSPFrame::Words{0x44434241, 0x48474645}));
    EXPECT_EQ(DSPFrame::unpackString(full), "ABCDEFGH");
    EXPECT_EQ(DSPFrame::packString("ABCDEFGHIJ", 2), full);
    EXPECT_EQ(DSPFrame::packString("", 3), (DSPFrame::Words{0, 0, 0}));
    EXPECT_TRUE(DSPFrame::packString("x", 0).isEmpty());

    // "Grüße" is 7 UTF-8 bytes; at 4 bytes the "ü" survives, the "ß" does not.
    EXPECT_EQ(DSPFrame::unpackString(DSPFrame::packString(QString::fromUtf8("Grüße"), 1)),
              QString::fromUtf8("Grü"));
    EXPECT_EQ(DSPFrame::unpackString(DSPFrame::packString(QString::fromUtf8("Grüße"), 2)),
              QString::fromUtf8("Grüße"));
}

TEST(DSPFrameText, UnpackingStopsAtTheFirstZeroAndRepairsBadUtf8) {
    EXPECT_EQ(DSPFrame::unpackString({0x00004241, 0x44434241}), "AB");
    EXPECT_EQ(DSPFrame::unpackString({0, 0x44434241}), "");
    EXPECT_EQ(DSPFrame::unpackString({}), "");
    EXPECT_EQ(DSPFrame::unpackString({0x0042FF41}), QString::fromUtf8("A\xEF\xBF\xBD"
                                                                      "B"));
    // A name cut inside a character shows the damage instead of losing the text.
    EXPECT_EQ(DSPFrame::unpackString(DSPFrame::packString(QString::fromUtf8("abcü"), 1)),
              QString::fromUtf8("abc\xEF\xBF\xBD"));
}

TEST(DSPFrameText, LittleEndianReadersAtAnyOffset) {
    const QByteArray bytes = hex("0102030405");
    EXPECT_EQ(DSPFrame::loadUInt32(bytes, 0), 0x04030201u);
    EXPECT_EQ(DSPFrame::loadUInt32(bytes, 1), 0x05040302u);
    EXPECT_EQ(DSPFrame::loadUInt16(bytes, 3), 0x0504u);
}
