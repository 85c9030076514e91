#include "app/controls/PlainText.h"

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
        if (code < 0x20)
            c = QChar(char16_t(0x2400 + code));  // the control pictures, in the same order
        else if (code == 0x7F)
            c = QChar(u'\u2421');
        else if (code == 0x85 || code == 0x2028 || code == 0x2029)
            c = QChar(u'\u2424');  // the other line and paragraph breaks: the newline symbol
        else if (code >= 0x80 && code < 0xA0)
            c = QChar(u'\uFFFD');
    }
    return shown;
}

}  // namespace plaintext
