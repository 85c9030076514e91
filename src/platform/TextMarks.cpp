#include "platform/TextMarks.h"

namespace textmarks {

namespace {

constexpr QChar noMark{0};

bool isLineBreak(char16_t code) {
    return (code >= 0x0A && code <= 0x0D) || code == 0x85 || code == 0x2028 || code == 0x2029;
}

// The mark a character is shown as, or noMark when it shows as itself.
QChar markFor(char16_t code) {
    if (isLineBreak(code)) return QChar(u'\u21B5');  // ↵
    if (code == 0x09) return QChar(u'\u21E5');       // ⇥
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return QChar(u'\uFFFD');
    return noMark;
}

QString marked(const QString& text, bool keepLineFeedAndTab) {
    QString shown = text;
    for (QChar& c : shown) {
        const char16_t code = c.unicode();
        if (keepLineFeedAndTab && (code == 0x0A || code == 0x09)) continue;
        if (const QChar mark = markFor(code); mark != noMark) c = mark;
    }
    return shown;
}

}  // namespace

QString oneLine(const QString& text) {
    return marked(text, false);
}

QString keepingLines(const QString& text) {
    return marked(text, true);
}

QString withoutControls(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text)
        if (markFor(c.unicode()) == noMark) kept.append(c);
    return kept;
}

}  // namespace textmarks
