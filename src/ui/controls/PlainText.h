#pragma once

#include <QLabel>

#include "platform/TextMarks.h"

// Text from the device, a file, the network or the user is data, never markup. A QLabel
// left to guess renders "<h1>…</h1>" as a heading and reads the file an "<img src=…>"
// names (a device named "<img src=/dev/zero>" would eat all memory). So every label of
// the views is a PlainLabel, text that must pass through a rich-text-only sink (an
// alert's informative text) goes through plaintext::asMarkup, and tool tips are plain
// text throughout (tooltips::install).
class PlainLabel : public QLabel {
public:
    explicit PlainLabel(QWidget* parent = nullptr);
    explicit PlainLabel(const QString& text, QWidget* parent = nullptr);
};

namespace plaintext {

// Markup that shows the text exactly as written, for sinks that always guess the format.
QString asMarkup(const QString& text);
// The title of a menu item or button that shows the text as written: a single "&"
// would otherwise mark the next letter as a shortcut and vanish.
QString asTitle(const QString& text);
// A name drawn on one line: every control character as a visible mark, the same mark
// files and the terminal show for it.
using textmarks::oneLine;

}  // namespace plaintext
