#pragma once

// Qt's element for a scroll area hands out its n-th part without checking n, and the desktop's
// bridge passes on whatever index a tool asks for. Tools ask with indices from a tree they read
// before a page switch took a scroll bar away, so Qt's element reads past the end of its parts
// and the window dies. Here a scroll area's element has the same parts (the viewport, the
// containers of the visible scroll bars, the corner widget) and answers nothing past them.
// Installed once, for the whole application.
void installScrollAreaAccessibility();
