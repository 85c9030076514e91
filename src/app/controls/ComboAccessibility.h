#pragma once

// Qt names a pop-up picker on Linux by its current choice, so "Matrix Mixer" or "1" would
// stand where "Control" or "Channel" belongs and a name given in code would be lost. Every
// picker here is known by its name (given in code, or by its caption or hint), its choice is
// its value, its text and the selected entry of its list, open or closed, pressing it opens
// its list, and an entry's action chooses it as a click does. Installed once, for the whole
// application.
void installComboAccessibility();
