#pragma once

#include <QList>
#include <QStringView>

#include <initializer_list>

// The line and field rules shared by the measurement and coefficient text readers.
namespace textlines {

// The text's lines, cut at every newline character (line feed, vertical tab, form
// feed, carriage return, NEL, line and paragraph separators), trimmed of spaces and
// tabs at both ends; empty lines and lines beginning with one of the comment
// prefixes are left out. The views point into the text.
QList<QStringView> dataLines(QStringView text, std::initializer_list<QStringView> commentPrefixes);

// The fields of a line, split at tab, comma, semicolon and space; runs of
// separators count as one.
QList<QStringView> fields(QStringView line);

}  // namespace textlines
