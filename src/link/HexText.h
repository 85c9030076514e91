#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// Bytes typed by a user or given on the command line: every "0x" is removed
// (case-sensitive, one pass), space, comma, line feed and tab separate pieces,
// and each piece is read two hex digits to a byte, an odd last digit alone.
// No result when any group is not hex; a text without pieces gives no bytes.
std::optional<QByteArray> parseHexBytes(const QString& text);

// Each byte as two upper-case hex digits ("0A", "FF").
QStringList hexPairs(QByteArrayView bytes);

// The pairs joined by single spaces ("A5 A1 1A 5A"); empty for no bytes.
QString hexText(QByteArrayView bytes);
