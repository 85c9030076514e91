#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <bit>
#include <cmath>

#include "fir/FIRFile.h"

using FIRFile::LoadError;

namespace {

void appendLE(QByteArray& bytes, quint64 value, int size) {
    for (int i = 0; i < size; ++i) bytes.append(char(value >> (8 * i)));
}

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray bytes(id, 4);
    appendLE(bytes, body.size(), 4);
    bytes += body;
    if (body.size() % 2) bytes.append('\0');
    return bytes;
}

QByteArray fmtBody(int tag, int channels, int rate, int bits) {
    QByteArray body;
    appendLE(body, tag, 2);
    appendLE(body, channels, 2);
    appendLE(body, rate, 4);
    appendLE(body, quint64(rate) * channels * (bits / 8), 4);
    appendLE(body, channels * (bits / 8), 2);
    appendLE(body, bits, 2);
    return body;
}

QByteArray riff(const QByteArray& chunks) {
    QByteArray bytes("RIFF");
    appendLE(bytes, 4 + chunks.size(), 4);
    return bytes + "WAVE" + chunks;
}

QByteArray wav(int tag, int channels, int rate, int bits, const QByteArray& data) {
    return riff(chunk("fmt ", fmtBody(tag, channels, rate, bits)) + chunk("data", data));
}

QByteArray samples(std::initializer_list<quint64> values, int size) {
    QByteArray data;
    for (quint64 v : values) appendLE(data, v, size);
    return data;
}

QString numbers(int count, int zerosAtEnd = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << (i < count - zerosAtEnd ? QString::number(0.001 * (i + 1)) : "0");
    return lines.join('\n');
}

class FIRFileLoad : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    FIRFile::Result loadBytes(const QByteArray& bytes) {
        return FIRFile::load(write("coefficients.txt", bytes));
    }

    QTemporaryDir dir;
};

const FIRFile::Loaded& loaded(const FIRFile::Result& result) {
    static const FIRFile::Loaded none;
    const auto* value = std::get_if<FIRFile::Loaded>(&result);
    EXPECT_NE(value, nullptr) << "load failed";
    return value ? *value : none;
}

}  // namespace

TEST(FIRFileText, CommentsSeparatorsAndColumns) {
    const QString text =
        "# exported filter\n* header\n; note\n// more\n"
        "0.5, 0.25\r\n\t-0.125;0.001\t \n\n  0.002  \rtaps value\v1e-3\f2E+0\u2028-inf\u00850x10";
    EXPECT_EQ(FIRFile::parseText(text),
              (QList<float>{0.5f, 0.25f, -0.125f, 0.001f, 0.002f, 0.001f, 2.0f, -INFINITY, 16.0f}))
        << "inf and nan parse here; the tap rules refuse them";
    EXPECT_EQ(FIRFile::parseText(u"1 2\n3\t4\n5;6\n7,8"), FIRFile::parseText(u"1,2,3,4,5,6,7,8"));
    EXPECT_EQ(FIRFile::parseText(u"0,1\n1,0.5"), (QList<float>{0, 1, 1, 0.5f}));
    // Fields must be numbers as a whole, in the C syntax, whatever the locale.
    EXPECT_TRUE(FIRFile::parseText(u"5e 0.5x \u00a01 1.2.3 + 1.5\u00a0x").empty());
}

TEST(FIRFileTaps, PaddingTrimmingAndRefusal) {
    struct Case {
        int count, zerosAtEnd;
        qsizetype taps;
        const char* note;
    } cases[] = {
        {200, 0, 256, "200 taps, padded to 256."},
        {256, 0, 256, nullptr},
        {257, 0, 512, "257 taps, padded to 512."},
        {512, 0, 512, nullptr},
        {600, 88, 512, nullptr},
        {600, 600, 512, nullptr},
        {100, 100, 256, "100 taps, padded to 256."},
        {1, 0, 256, "1 tap, padded to 256."},
    };
    for (const Case& c : cases) {
        const FIRFile::Result result =
            FIRFile::finish(FIRFile::parseText(numbers(c.count, c.zerosAtEnd)), "t", std::nullopt);
        SCOPED_TRACE(c.count);
        EXPECT_EQ(loaded(result).coefficients.size(), c.taps);
        EXPECT_EQ(loaded(result).note, c.note ? std::optional<QString>(c.note) : std::nullopt);
        EXPECT_EQ(loaded(result).name, "t");
    }
    const QList<float> kept = loaded(FIRFile::finish({0.5f, -0.25f}, "t", std::nullopt)).coefficients;
    EXPECT_EQ(kept[0], 0.5f);
    EXPECT_EQ(kept[1], -0.25f);
    EXPECT_EQ(kept[255], 0.0f);

    EXPECT_EQ(FIRFile::finish(FIRFile::parseText(numbers(600)), "t", {}),
              FIRFile::Result(LoadError::tooManyTaps(600)));
    // Trailing zeros are trimmed first, so the count is where the trimming stopped.
    EXPECT_EQ(FIRFile::finish(FIRFile::parseText(numbers(1000, 100)), "t", {}),
              FIRFile::Result(LoadError::tooManyTaps(900)));
    EXPECT_EQ(FIRFile::finish({}, "t", {}), FIRFile::Result(LoadError::empty()));
    for (float bad : {NAN, INFINITY, -INFINITY})
        EXPECT_EQ(FIRFile::finish({0.5f, bad}, "t", {}), FIRFile::Result(LoadError::unreadable()));
}

TEST(FIRFileWAV, SampleFormats) {
    struct Case {
        int tag, bits;
        QByteArray data;
        QList<float> expected;
    } cases[] = {
        {1, 16, samples({0x4000, 0x8000, 0x7FFF}, 2), {0.5f, -1.0f, 32767 / 32768.0f}},
        {1, 24, samples({0x400000, 0xC00000, 0x000001}, 3), {0.5f, -0.5f, 1 / 8388608.0f}},
        {1, 32, samples({0x40000000, 0x80000000}, 4), {0.5f, -1.0f}},
        {3, 32, samples({std::bit_cast<quint32>(0.5f), std::bit_cast<quint32>(-0.25f)}, 4), {0.5f, -0.25f}},
        {3, 64, samples({std::bit_cast<quint64>(0.1), std::bit_cast<quint64>(-2.0)}, 8), {0.1f, -2.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const std::optional<FIRFile::WAV> result = FIRFile::readWAV(wav(c.tag, 1, 48000, c.bits, c.data));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->samples, c.expected);
        EXPECT_EQ(result->sampleRate, 48000);
    }
    for (int tag : {1, 3}) EXPECT_FALSE(FIRFile::readWAV(wav(tag, 1, 48000, 8, "\x01\x02")));
    EXPECT_FALSE(FIRFile::readWAV(wav(2, 1, 48000, 16, samples({1}, 2))));
    EXPECT_FALSE(FIRFile::readWAV(wav(3, 1, 48000, 16, samples({1}, 2))));
    EXPECT_FALSE(FIRFile::readWAV(wav(1, 1, 48000, 0, samples({1}, 2))));
    EXPECT_FALSE(FIRFile::readWAV(wav(1, 1, 48000, 4, samples({1}, 2)))) << "no width below 8 bits";

    QByteArray extensible = fmtBody(0xFFFE, 1, 48000, 32);
    appendLE(extensible, 22, 2);
    appendLE(extensible, 32, 2);
    appendLE(extensible, 0, 4);
    appendLE(extensible, 3, 2);  // sub-format: IEEE float
    extensible += QByteArray(14, '\0');
    const auto floatSub =
        FIRFile::readWAV(riff(chunk("fmt ", extensible) + chunk("data", samples({0x3F000000}, 4))));
    ASSERT_TRUE(floatSub);
    EXPECT_EQ(floatSub->samples, QList<float>{0.5f});
}

TEST(FIRFileWAV, ChannelsRatesAndChunks) {
    // Left channel of a stereo file; the last frame's right sample is missing.
    const auto stereo =
        FIRFile::readWAV(wav(1, 2, 44100, 16, samples({0x4000, 0x1111, 0xC000, 0x2222, 0x2000}, 2)));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->samples, (QList<float>{0.5f, -0.5f, 0.25f}));
    EXPECT_EQ(stereo->sampleRate, 44100);

    // Chunks before fmt, odd-sized chunks padded, zero channels read as one.
    const QByteArray odd =
        chunk("LIST", "abc") + chunk("fmt ", fmtBody(1, 0, 48000, 16)) + chunk("data", samples({0x4000}, 2));
    EXPECT_EQ(FIRFile::readWAV(riff(odd))->samples, QList<float>{0.5f});

    // Data shorter than a sample: no samples, but a file.
    const auto shortData = FIRFile::readWAV(wav(1, 1, 22050, 24, "\x01\x02"));
    ASSERT_TRUE(shortData);
    EXPECT_TRUE(shortData->samples.empty());
    EXPECT_EQ(shortData->sampleRate, 22050);

    // No data chunk, or no format chunk at all.
    EXPECT_FALSE(FIRFile::readWAV(riff(chunk("fmt ", fmtBody(1, 1, 48000, 16)))));
    EXPECT_FALSE(FIRFile::readWAV(riff(chunk("data", samples({1}, 2)))));
}

TEST(FIRFileWAV, TruncatedAndLyingHeadersStayInBounds) {
    const QByteArray good = wav(1, 1, 48000, 16, samples({0x4000, 0x2000}, 2));
    // Every prefix of a good file is read without touching bytes beyond it.
    for (qsizetype size = 0; size <= good.size(); ++size) {
        // An allocation of exactly this size, so AddressSanitizer sees any read past it.
        const std::vector<char> prefix(good.begin(), good.begin() + size);
        const auto result = FIRFile::readWAV(QByteArrayView(prefix.data(), size));
        if (result) {
            EXPECT_LE(result->samples.size(), 2);
        }
    }
    // A data chunk claiming 4 GiB ends at the end of the file.
    QByteArray lying = riff(chunk("fmt ", fmtBody(1, 1, 48000, 16)) + QByteArray("data\xFF\xFF\xFF\xFF", 8) +
                            samples({0x4000, 0x2000, 0x1000}, 2));
    EXPECT_EQ(FIRFile::readWAV(lying)->samples, (QList<float>{0.5f, 0.25f, 0.125f}));
    // A format chunk too short for its 16 bytes is skipped.
    const QByteArray shortFmt = riff(chunk("data", samples({1}, 2)) + chunk("fmt ", QByteArray(10, '\x01')));
    EXPECT_FALSE(FIRFile::readWAV(shortFmt));
}

TEST_F(FIRFileLoad, TextAndWAVFiles) {
    const FIRFile::Result text = FIRFile::load(write("My Filter.v2.csv", "# header\n0.5,0.25\n"));
    EXPECT_EQ(loaded(text).name, "My Filter.v2");
    EXPECT_EQ(loaded(text).coefficients.size(), 256);
    EXPECT_EQ(loaded(text).note, "2 taps, padded to 256.");
    // Invalid UTF-8 falls back to Latin-1; a byte-order mark is not part of the first number.
    EXPECT_EQ(loaded(loadBytes("# caf\xE9\n0.5\n")).coefficients[0], 0.5f);
    EXPECT_EQ(loaded(loadBytes("\xEF\xBB\xBF"
                               "0.25\n"))
                  .coefficients[0],
              0.25f);

    const QByteArray pcm = wav(1, 1, 44100, 16, QByteArray(600, '\x10'));
    const FIRFile::Result rate = FIRFile::load(write("impulse.wav", pcm));
    EXPECT_EQ(loaded(rate).name, "impulse");
    EXPECT_EQ(loaded(rate).coefficients.size(), 512);
    EXPECT_EQ(loaded(rate).note,
              "This file is 44100 Hz; the DSP's FIR runs at 48 kHz, so the response will shift. "
              "300 taps, padded to 512.");

    const FIRFile::Result exact =
        FIRFile::load(write("full.wav", wav(3, 1, 48000, 32, QByteArray(2048, '\0'))));
    EXPECT_EQ(loaded(exact).note, std::nullopt);
}

TEST_F(FIRFileLoad, Failures) {
    EXPECT_EQ(loadBytes(""), FIRFile::Result(LoadError::empty()));
    EXPECT_EQ(loadBytes("# only a comment\nvalue\n"), FIRFile::Result(LoadError::empty()));
    EXPECT_EQ(loadBytes("0.5\n1e39\n"), FIRFile::Result(LoadError::unreadable()))
        << "beyond single precision";
    EXPECT_EQ(FIRFile::load(dir.filePath("missing.txt")), FIRFile::Result(LoadError::unreadable()));
    EXPECT_EQ(loadBytes(wav(1, 1, 48000, 8, "\x01\x02")), FIRFile::Result(LoadError::unreadable()));
    EXPECT_EQ(loadBytes(riff(chunk("fmt ", fmtBody(1, 1, 48000, 16)))),
              FIRFile::Result(LoadError::unreadable()));
    // Twelve bytes are too few for a WAV file: read as text, their NUL bytes make them no text.
    EXPECT_EQ(loadBytes(QByteArray("RIFF\x04\0\0\0WAVE", 12)), FIRFile::Result(LoadError::unreadable()));
    EXPECT_EQ(loadBytes(wav(3, 1, 48000, 64, samples({std::bit_cast<quint64>(1e300)}, 8))),
              FIRFile::Result(LoadError::unreadable()));
}

// Binary data is no text: read as Latin-1, a digit that happens to stand between two line
// breaks would become a filter. Text keeps its tabs, carriage returns, vertical tabs and
// form feeds, and a stray control character or two.
TEST_F(FIRFileLoad, BinaryDataIsNoText) {
    const QByteArray aiff = QByteArray(
        "FORM\0\0\0\x2e"
        "AIFFSSND\0\0\0\x0a\0\0\0\0\x7f\xff\n7\n ",
        30);
    EXPECT_EQ(loadBytes(aiff), FIRFile::Result(LoadError::unreadable()));
    EXPECT_EQ(loadBytes(QByteArray("0.5\n0.25\n\0", 11)), FIRFile::Result(LoadError::unreadable()));
    QByteArray noisy = QByteArray("0.5\n").repeated(10);  // 40 bytes, one control byte in 20
    noisy.replace(10, 1, "\x01");
    noisy.replace(30, 1, "\x1b");
    EXPECT_EQ(loadBytes(noisy), FIRFile::Result(LoadError::unreadable()));

    const QByteArray text = QByteArray("0.5\t0.25\r\n0.125\v1\f2\n").repeated(10) + "\x1a";
    const FIRFile::Result read = loadBytes(text);
    ASSERT_TRUE(std::holds_alternative<FIRFile::Loaded>(read));
    EXPECT_EQ(std::get<FIRFile::Loaded>(read).coefficients.mid(0, 5),
              (QList<float>{0.5f, 0.25f, 0.125f, 1, 2}));
}
