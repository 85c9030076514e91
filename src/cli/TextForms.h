#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The list texts that the command line prints.
namespace cli {

// ["a", "b"]: each text in double quotes, comma and space between, in brackets.
QString quotedList(const QStringList& texts);

// Words as a quoted list of hexadecimal texts without leading zeros:
// ["c0200000", "1"] in lower case, ["500", "10100"] in upper case.
QString hexWordList(const QList<quint32>& words, bool upperCase);

// A text cut or padded with spaces to exactly `width` characters.
QString fixedWidth(const QString& text, qsizetype width);

}  // namespace cli
