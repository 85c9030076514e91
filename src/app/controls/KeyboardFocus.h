#pragma once

#include <QList>

class QApplication;
class QWidget;

// How the whole window meets the keyboard: a ring in the theme's accent colour marks the
// control that holds the focus while the user works with keys (not after a click), and
// Return or Enter presses a focused button as Space does. Panes of controls are no Tab stops
// of their own, and a menu the keyboard opens starts on its first entry. Installed once, for
// the whole application.
namespace keyboardfocus {

void install(QApplication& application);

// The control the ring surrounds, or nothing while no ring shows.
QWidget* ringedWidget();

// The root and its descendants that Tab stops at, in the order Tab meets them. They are
// looked for round the whole window: once moved, they no longer follow their containers.
QList<QWidget*> tabStops(QWidget& root);

// The first of those that Tab can reach now (shown, also in a window not yet open, and
// enabled), or none.
QWidget* firstTabStop(QWidget& root);

}  // namespace keyboardfocus
