#pragma once

#include <QString>

// Text from the device, a file or the user leaves the program as data. A control character
// in it would break a line of a file we write (read back, the rest of the line becomes data
// of its own), and on a terminal it clears the screen, retitles the window or colours what
// follows. So every such character is shown as a visible mark instead, the same mark in the
// window, in files and on the terminal: a line or paragraph break as "↵", a tab as "⇥" and
// any other (C0, DEL, C1) as the replacement mark U+FFFD (marks the usual fonts all draw).
namespace textmarks {

// A text drawn or written on one line: every control character as its mark.
QString oneLine(const QString& text);

// Text the program laid out in lines itself (a report on the terminal): its line feeds and
// tabs stay, every other control character becomes its mark.
QString keepingLines(const QString& text);

// A name as a name field takes it: control characters (line breaks among them) are dropped,
// as the device drops them from the names it stores.
QString withoutControls(const QString& text);

}  // namespace textmarks
