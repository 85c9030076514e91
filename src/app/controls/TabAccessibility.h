#pragma once

// Qt's tabs read "focused" for the page shown, wherever the keyboard focus is, and never
// "selected". Here every tab bar's tabs read "selected" for the page shown and "focused" only
// while the bar has the keyboard focus, and a tab's press shows its page as a click does.
// Installed once, for the whole application.
void installTabAccessibility();
