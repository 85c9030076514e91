#include "cli/TextForms.h"

namespace cli {

QString quotedList(const QStringList& texts) {
    QStringList quoted;
    quoted.reserve(texts.size());
    for (const QString& text : texts) quoted.append(QLatin1Char('"') + text + QLatin1Char('"'));
    return QLatin1Char('[') + quoted.join(QLatin1String(", ")) + QLatin1Char(']');
}

QString hexWordList(const QList<quint32>& words, bool upperCase) {
    QStringList texts;
    texts.reserve(words.size());
    for (quint32 word : words) {
        const QString text = QString::number(word, 16);
        texts.append(upperCase ? text.toUpper() : text);
    }
    return quotedList(texts);
}

QString fixedWidth(const QString& text, qsizetype width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

}  // namespace cli
