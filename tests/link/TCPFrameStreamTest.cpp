#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "link/TCPFrameStream.h"
#include "support/RandomFrames.h"

namespace {

const DSPFrame kAck{{0x0B, 0x04, 0x01, 0x04, 0x00, 0x00}, 1, {}};
const DSPFrame kAnswer{{0x0B, 0x04, 0x01, 0x04, 0x00, 0x00}, 6, {0, 366, 1, 2, 3}};

// Feeds the stream in chunks of 1 to maxChunk bytes, as TCP may deliver it.
QList<DSPFrame> feedInRandomChunks(TCPFrameStream& framing, const QByteArray& stream,
                                   QRandomGenerator& random, int maxChunk) {
    QList<DSPFrame> received;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = qMin<qsizetype>(1 + random.bounded(maxChunk), stream.size() - at);
        received += framing.feed(QByteArrayView(stream).sliced(at, size));
        at += size;
    }
    return received;
}

// A frame cut short by its last byte, with a word damaged so that no byte
// completing it can make the checksum right (which would be a real frame).
QByteArray truncatedBadFrame(QRandomGenerator& random) {
    QByteArray bytes = kestrel_test::randomFrame(random, 3).encode().chopped(1);
    bytes[16] = char(bytes[16] ^ 1);
    return bytes;
}

}  // namespace

TEST(TCPFrameStream, DeliversEveryIntactFrameOfAChunkInOrder) {
    TCPFrameStream stream;
    EXPECT_EQ(stream.feed(kAck.encode() + kAnswer.encode()), (QList<DSPFrame>{kAck, kAnswer}));
    EXPECT_TRUE(stream.buffer().isEmpty());

    QByteArray damaged = kAnswer.encode();
    damaged[20] = char(damaged[20] + 1);
    EXPECT_EQ(stream.feed(damaged + kAck.encode()), QList<DSPFrame>{kAck});
}

TEST(TCPFrameStream, SkipsStrayBytesAndDiscardsAStreamWithoutMagic) {
    TCPFrameStream stream;
    EXPECT_EQ(stream.feed(QByteArray::fromHex("0011A5A1FF") + kAck.encode()), QList<DSPFrame>{kAck});

    EXPECT_TRUE(stream.feed(QByteArray(100, 'x')).isEmpty());
    EXPECT_TRUE(stream.buffer().isEmpty());
    EXPECT_TRUE(stream.feed(QByteArray::fromHex("A5A11A")).isEmpty());
    EXPECT_EQ(stream.buffer(), QByteArray::fromHex("A5A11A"));
    EXPECT_TRUE(stream.feed(QByteArray::fromHex("00")).isEmpty());
    EXPECT_TRUE(stream.buffer().isEmpty());
}

TEST(TCPFrameStream, InvalidHeaderCostsOneByteAndFramingResumes) {
    QByteArray tooMany = kAnswer.encode().left(16);
    tooMany.replace(12, 4, QByteArray::fromHex("00100000"));
    TCPFrameStream stream;
    EXPECT_TRUE(stream.feed(tooMany.left(15)).isEmpty());
    EXPECT_EQ(stream.buffer().size(), 15);
    // The frame behind the bad header arrives in the same chunk and must not
    // wait for traffic that may never come.
    EXPECT_EQ(stream.feed(tooMany.mid(15) + kAck.encode()), QList<DSPFrame>{kAck});
    EXPECT_TRUE(stream.buffer().isEmpty());
}

TEST(TCPFrameStreamProperties, RandomChunkingOfCleanTrafficLosesNothing) {
    QRandomGenerator random(3);
    for (int round = 0; round < 50; ++round) {
        QList<DSPFrame> sent;
        QByteArray stream;
        for (int i = 0; i < 20; ++i) {
            // Stray bytes between frames, never a byte that could start a magic.
            for (int n = random.bounded(8); n > 0; --n) stream.append(char(random.bounded(0xA5)));
            sent.append(kestrel_test::randomFrame(random, random.bounded(300)));
            stream.append(sent.last().encode());
        }
        TCPFrameStream framing;
        EXPECT_EQ(feedInRandomChunks(framing, stream, random, 200), sent) << "round " << round;
    }
}

TEST(TCPFrameStreamProperties, GarbageNeverProducesFramesThatWereNotSent) {
    QRandomGenerator random(5);
    const QByteArray magic = DSPFrame::magic();
    qsizetype delivered = 0;
    for (int round = 0; round < 200; ++round) {
        QList<DSPFrame> sent;
        QByteArray stream;
        for (int i = 0; i < 10; ++i) {
            for (int n = random.bounded(40); n > 0; --n) {
                // Garbage rich in magic pieces, counts and frame fragments.
                switch (random.bounded(4)) {
                    case 0:
                        stream.append(magic.left(1 + random.bounded(4)));
                        break;
                    case 1:
                        stream.append(char(random.bounded(256)));
                        break;
                    case 2:
                        stream.append(truncatedBadFrame(random));
                        break;
                    default:
                        stream.append(QByteArray::fromHex("00100000"));
                        break;
                }
            }
            sent.append(kestrel_test::randomFrame(random, random.bounded(20)));
            stream.append(sent.last().encode());
        }
        TCPFrameStream framing;
        const QList<DSPFrame> received = feedInRandomChunks(framing, stream, random, 64);
        EXPECT_LT(framing.buffer().size(), 16400);
        // Every delivered frame was sent, in the order it was sent.
        qsizetype next = 0;
        for (const DSPFrame& frame : received) {
            while (next < sent.size() && !(sent[next] == frame)) ++next;
            ASSERT_LT(next, sent.size()) << "round " << round << ": a frame that was never sent";
            ++next;
        }
        delivered += received.size();
    }
    EXPECT_GT(delivered, 200 * 10 / 2) << "garbage should cost some frames, not most";
}
