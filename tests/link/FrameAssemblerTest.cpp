#include <gtest/gtest.h>

#include "link/FrameAssembler.h"

namespace {

DSPFrame frameOfWords(int count, quint16 command = 0x1F) {
    DSPFrame frame{{1, 2, 3, 4, 5, 6}, command, {}};
    for (int i = 0; i < count; ++i) frame.words.append(quint32(0xA5A11A5A + i));
    return frame;
}

}  // namespace

TEST(FrameAssembler, ReassemblesAMultiReportFrameOnItsLastReport) {
    const DSPFrame frame = frameOfWords(256);
    const QList<QByteArray> reports = frame.reports();
    FrameAssembler assembler;
    for (int i = 0; i + 1 < reports.size(); ++i) EXPECT_EQ(assembler.feed(reports[i]), std::nullopt) << i;
    EXPECT_EQ(assembler.feed(reports.last()), frame);
    EXPECT_TRUE(assembler.buffer().isEmpty());

    const DSPFrame single = frameOfWords(2);
    EXPECT_EQ(assembler.feed(single.reports()[0]), single);
}

TEST(FrameAssembler, StrayContinuationsAndInterruptedFramesAreDropped) {
    const QList<QByteArray> first = frameOfWords(40, 1).reports();
    const DSPFrame second = frameOfWords(20, 2);
    const QList<QByteArray> reports = second.reports();
    FrameAssembler assembler;
    EXPECT_EQ(assembler.feed(first[1]), std::nullopt);
    EXPECT_TRUE(assembler.buffer().isEmpty());
    EXPECT_EQ(assembler.feed(first[0]), std::nullopt);
    EXPECT_EQ(assembler.feed(reports[0]), std::nullopt);
    EXPECT_EQ(assembler.feed(reports[1]), second);
}

TEST(FrameAssembler, InvalidHeaderOrChecksumEmptiesTheBuffer) {
    FrameAssembler assembler;
    QByteArray tooMany = frameOfWords(1).reports()[0];
    tooMany.replace(12, 4, QByteArray::fromHex("00100000"));  // 4096 words
    EXPECT_EQ(assembler.feed(tooMany), std::nullopt);
    EXPECT_TRUE(assembler.buffer().isEmpty());

    EXPECT_EQ(assembler.feed(DSPFrame::magic() + QByteArray(4, '\0')), std::nullopt);
    EXPECT_TRUE(assembler.buffer().isEmpty());

    QByteArray damaged = frameOfWords(3).reports()[0];
    damaged[20] = char(damaged[20] + 1);
    EXPECT_EQ(assembler.feed(damaged), std::nullopt);
    EXPECT_TRUE(assembler.buffer().isEmpty());
}
