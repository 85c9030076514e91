#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

// How the console reads the numbers typed into its fields.
namespace typednumbers {

// A port: the whole text as a decimal number from 0 to 65535, without
// surrounding spaces; anything else is no port.
std::optional<quint16> port(QStringView text);

// A report id: the whole text as a decimal integer; an empty or non-numeric
// text counts as 0.
int reportID(QStringView text);

}  // namespace typednumbers
