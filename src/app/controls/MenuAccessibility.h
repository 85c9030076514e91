#pragma once

// The entries of menus and of the menu bar, as assistive tools meet them: read as Qt's own
// entries read, and pressed (or opened) as a click does, only where a click could act
// (takesToolRequests): File ▸ Quit pressed behind its own question must not end the program.
// Installed once, for the whole application.
void installMenuAccessibility();
