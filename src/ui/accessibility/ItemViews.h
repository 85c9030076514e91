#pragma once

// Qt's list rows read "focused" for the current row wherever the keyboard focus is, and their
// toggle selects a row even in a list drawn disabled. Here every list's rows read "selected"
// for the chosen row and "focused" only while the list has the keyboard focus, and a row's
// toggle chooses it as a click does, in a list that is enabled; a row that cannot be chosen
// (a header) takes it and does nothing. Installed once, for the whole application.
void installListAccessibility();
