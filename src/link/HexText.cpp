#include "link/HexText.h"

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

QChar hexDigitChar(int value) {
    return QChar(u"0123456789ABCDEF"[value]);
}

bool isSeparator(QChar c) {
    return c == u' ' || c == u',' || c == u'\n' || c == u'\t';
}

// Reading code units gives the same verdicts as reading user-perceived
// characters: a carriage return, a combining mark or any other non-ASCII
// character is no digit and no separator either way, so it fails the parse.
bool appendPiece(QStringView piece, QByteArray& bytes) {
    for (qsizetype i = 0; i < piece.size(); i += 2) {
        const int high = hexDigit(piece[i]);
        if (high < 0) return false;
        if (i + 1 == piece.size()) {
            bytes.append(char(high));
            break;
        }
        const int low = hexDigit(piece[i + 1]);
        if (low < 0) return false;
        bytes.append(char(high << 4 | low));
    }
    return true;
}

}  // namespace

std::optional<QByteArray> parseHexBytes(const QString& text) {
    const QString stripped = QString(text).remove(QStringLiteral("0x"));
    QByteArray bytes;
    qsizetype pieceStart = 0;
    for (qsizetype i = 0; i <= stripped.size(); ++i) {
        if (i < stripped.size() && !isSeparator(stripped[i])) continue;
        if (!appendPiece(QStringView(stripped).sliced(pieceStart, i - pieceStart), bytes))
            return std::nullopt;
        pieceStart = i + 1;
    }
    return bytes;
}

QStringList hexPairs(QByteArrayView bytes) {
    QStringList pairs;
    pairs.reserve(bytes.size());
    for (const char byte : bytes) {
        const QChar pair[2] = {hexDigitChar(quint8(byte) >> 4), hexDigitChar(byte & 0xF)};
        pairs.append(QString(pair, 2));
    }
    return pairs;
}

// Built directly rather than by joining pairs: a capture of the traffic log
// formats up to 5000 blocks of up to 16400 bytes.
QString hexText(QByteArrayView bytes) {
    QString text;
    text.reserve(3 * bytes.size());
    for (const char byte : bytes) {
        if (!text.isEmpty()) text += u' ';
        text += hexDigitChar(quint8(byte) >> 4);
        text += hexDigitChar(byte & 0xF);
    }
    return text;
}
