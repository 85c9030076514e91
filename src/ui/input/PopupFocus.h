#pragma once

class QAbstractButton;
class QMenu;
class QWidget;

// Shows a popover in its place with the keyboard focus on its first control, as a menu
// takes the keys when it opens. When it closes, the window's focus is where it was before.
void showPopover(QWidget& popup, const QWidget& anchor, int gap = 4);

// A menu that a button opens takes the keys as a popover does: opened from the keyboard it
// starts at its current choice. While open it is a child of the application's element (see
// ownMenu), and it is deleted with the button.
void makePopoverMenu(QMenu& menu, QAbstractButton& anchor);
