#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// One message of the device protocol, and its wire form:
//   magic A5 A1 1A 5A | address (6) | command (u16) | count n (u32) | n words (u32) | checksum (u32)
// all little-endian. The checksum makes n + sum(words) + checksum wrap to zero;
// magic, address and command are not covered by it.
struct DSPFrame {
    using Address = std::array<quint8, 6>;
    using Words = QList<quint32>;

    // Addresses any device; used until the device's own address is known.
    static constexpr Address broadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    static constexpr qsizetype headerLength = 16;
    static constexpr qsizetype maxWordCount = 4095;
    // The HID report size of the device link.
    static constexpr qsizetype reportSize = 64;

    Address address = broadcast;
    quint16 command = 0;
    Words words;

    friend bool operator==(const DSPFrame&, const DSPFrame&) = default;

    static QByteArray magic();

    QByteArray encode() const;
    // The encoded frame cut into pieces of `size` bytes, the last one padded
    // with zero bytes; a frame that fills its last piece exactly gets no extra one.
    QList<QByteArray> reports(qsizetype size = reportSize) const;

    // The length of the frame whose header starts the bytes: none for fewer
    // than 16 bytes, a wrong magic or a count above 4095.
    static std::optional<qsizetype> expectedLength(QByteArrayView bytes);
    // The frame at the start of the bytes (bytes after it are ignored); none
    // when the header is invalid, bytes are missing or the checksum fails.
    static std::optional<DSPFrame> decode(QByteArrayView bytes);

    // Text as UTF-8, four bytes to a word with the first byte lowest, cut or
    // zero-padded to exactly `wordCount` words (a character may be cut).
    static Words packString(const QString& text, qsizetype wordCount);
    // The reverse: cut at the first zero byte, invalid UTF-8 becomes U+FFFD.
    static QString unpackString(const Words& words);

    // Little-endian readers; the value must lie inside the bytes.
    static quint32 loadUInt32(QByteArrayView bytes, qsizetype offset);
    static quint16 loadUInt16(QByteArrayView bytes, qsizetype offset);
};
