#pragma once

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

}  // namespace keyboardfocus
