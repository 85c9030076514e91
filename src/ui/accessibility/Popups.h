#pragma once

class QAbstractButton;
class QMenu;
class QWidget;

// A menu is a popup window of its own, and Qt's element of the application lists no popup
// windows: a menu that a button or the menu key opens is nowhere in the tree, and a tool
// walking the tree can neither find nor choose its entries. The application's element here
// lists every open menu without a parent widget after the windows; a menu of the menu bar
// stays under the bar. Installed once, for the whole application.
void installOpenMenusInTree();

// A menu that `owner` opens (a menu button's, the strip's quick menu): without a parent
// widget, so its element's parent is the application that lists it, yet deleted with its
// owner. An entry an assistive tool chooses closes the menu, as a click on the entry does.
void ownMenu(QMenu& menu, QWidget& owner);
void closeOnChoice(QMenu& menu);

// A button that opens a popover, and the popover (a popup window, the anchor's child).
// Assistive tools find the anchor as a button with a popup whose one child, while it is
// open, is the popover; its actions click the button. Popup windows are no children of the
// application's element, so without this an open popover is nowhere in the tree. Each is
// called first thing in the widget's constructor: Qt makes a widget's element the first
// time anything about the widget changes, and keeps it.
void makePopoverAnchor(QAbstractButton& anchor);
void makePopover(QWidget& popup);

// The entries of menus and of the menu bar, as assistive tools meet them: read as Qt's own
// entries read, and pressed (or opened) as a click does, only where a click could act
// (takesToolRequests): File ▸ Quit pressed behind its own question must not end the program.
// Installed once, for the whole application.
void installMenuAccessibility();
