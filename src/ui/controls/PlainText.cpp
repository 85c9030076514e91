#include "ui/controls/PlainText.h"

#include <QTextDocument>

PlainLabel::PlainLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

PlainLabel::PlainLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    // The format is set before the text, so the text is never parsed as markup.
    setTextFormat(Qt::PlainText);
    setText(text);
}

namespace plaintext {

QString asMarkup(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString asTitle(const QString& text) {
    return QString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString oneLine(const QString& text) {
    QString shown = text;
    for (QChar& c : shown) {
        const char16_t code = c.unicode();
        const bool lineBreak =
            (code >= 0x0A && code <= 0x0D) || code == 0x85 || code == 0x2028 || code == 0x2029;
        if (lineBreak)
            c = QChar(u'\u21B5');  // ↵
        else if (code == 0x09)
            c = QChar(u'\u21E5');  // ⇥
        else if (code < 0x20 || (code >= 0x7F && code < 0xA0))
            c = QChar(u'\uFFFD');  // any other control character
    }
    return shown;
}

}  // namespace plaintext
