#include "link/DSPFrame.h"

#include <QtEndian>

#include <cstring>

namespace {

void appendUInt32(QByteArray& bytes, quint32 value) {
    const quint32 le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
}

// Wrapping sum of the count and the words; the checksum is its negation.
quint32 checksumBase(const DSPFrame::Words& words) {
    quint32 sum = quint32(words.size());
    for (const quint32 word : words) sum += word;
    return sum;
}

}  // namespace

QByteArray DSPFrame::magic() {
    return QByteArray::fromRawData("\xA5\xA1\x1A\x5A", 4);
}

QByteArray DSPFrame::encode() const {
    // Written in place: appending word by word costs twice the time.
    QByteArray bytes(headerLength + 4 * words.size() + 4, Qt::Uninitialized);
    char* out = bytes.data();
    std::memcpy(out, magic().constData(), 4);
    std::memcpy(out + 4, address.data(), address.size());
    qToLittleEndian<quint16>(command, out + 10);
    qToLittleEndian<quint32>(quint32(words.size()), out + 12);
    out += headerLength;
    for (const quint32 word : words) {
        qToLittleEndian<quint32>(word, out);
        out += 4;
    }
    qToLittleEndian<quint32>(0u - checksumBase(words), out);
    return bytes;
}

QList<QByteArray> DSPFrame::reports(qsizetype size) const {
    Q_ASSERT(size > 0);
    const QByteArray bytes = encode();
    QList<QByteArray> pieces;
    for (qsizetype offset = 0; offset < bytes.size(); offset += size) {
        QByteArray piece = bytes.mid(offset, size);
        piece.append(size - piece.size(), '\0');
        pieces.append(piece);
    }
    return pieces;
}

std::optional<qsizetype> DSPFrame::expectedLength(QByteArrayView bytes) {
    if (bytes.size() < headerLength || !bytes.startsWith(magic())) return std::nullopt;
    const quint32 count = loadUInt32(bytes, 12);
    if (count > maxWordCount) return std::nullopt;
    return headerLength + 4 * qsizetype(count) + 4;
}

std::optional<DSPFrame> DSPFrame::decode(QByteArrayView bytes) {
    const std::optional<qsizetype> length = expectedLength(bytes);
    if (!length || bytes.size() < *length) return std::nullopt;
    DSPFrame frame;
    const qsizetype count = (*length - headerLength - 4) / 4;
    frame.words.reserve(count);
    for (qsizetype k = 0; k < count; ++k) frame.words.append(loadUInt32(bytes, headerLength + 4 * k));
    const quint32 checksum = loadUInt32(bytes, headerLength + 4 * count);
    if (checksumBase(frame.words) + checksum != 0) return std::nullopt;
    for (std::size_t i = 0; i < frame.address.size(); ++i) frame.address[i] = quint8(bytes[4 + qsizetype(i)]);
    frame.command = loadUInt16(bytes, 10);
    return frame;
}

DSPFrame::Words DSPFrame::packString(const QString& text, qsizetype wordCount) {
    wordCount = qMax<qsizetype>(wordCount, 0);
    QByteArray bytes = text.toUtf8().left(4 * wordCount);
    bytes.append(4 * wordCount - bytes.size(), '\0');
    Words words;
    words.reserve(wordCount);
    for (qsizetype k = 0; k < wordCount; ++k) words.append(loadUInt32(bytes, 4 * k));
    return words;
}

QString DSPFrame::unpackString(const Words& words) {
    QByteArray bytes;
    bytes.reserve(4 * words.size());
    for (const quint32 word : words) appendUInt32(bytes, word);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    return QString::fromUtf8(bytes);
}

quint32 DSPFrame::loadUInt32(QByteArrayView bytes, qsizetype offset) {
    Q_ASSERT(offset >= 0 && offset + 4 <= bytes.size());
    if (offset < 0 || offset + 4 > bytes.size()) return 0;
    return qFromLittleEndian<quint32>(bytes.data() + offset);
}

quint16 DSPFrame::loadUInt16(QByteArrayView bytes, qsizetype offset) {
    Q_ASSERT(offset >= 0 && offset + 2 <= bytes.size());
    if (offset < 0 || offset + 2 > bytes.size()) return 0;
    return qFromLittleEndian<quint16>(bytes.data() + offset);
}
