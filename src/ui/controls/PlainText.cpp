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

}  // namespace plaintext
