#pragma once

// Qt names a pop-up picker on Linux by its current choice, so "Matrix Mixer" or "1" would
// stand where "Control" or "Channel" belongs and a name given in code would be lost. Every
// picker here is known by its name (given in code, or by its caption or hint), its choice is
// its value, its text and the selected entry of its list, open or closed, pressing it opens
// its list, and an entry's action chooses it as a click does. Installed once, for the whole
// application.
void installComboAccessibility();

// Qt's tabs read "focused" for the page shown, wherever the keyboard focus is, and never
// "selected". Here every tab bar's tabs read "selected" for the page shown and "focused" only
// while the bar has the keyboard focus, and a tab's press shows its page as a click does.
// Installed once, for the whole application.
void installTabAccessibility();

// Qt's element for a scroll area hands out its n-th part without checking n, and the desktop's
// bridge passes on whatever index a tool asks for. Tools ask with indices from a tree they read
// before a page switch took a scroll bar away, so Qt's element reads past the end of its parts
// and the window dies. Here a scroll area's element has the same parts (the viewport, the
// containers of the visible scroll bars, the corner widget) and answers nothing past them.
// Installed once, for the whole application.
void installScrollAreaAccessibility();
