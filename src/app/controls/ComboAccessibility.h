#pragma once

// Qt names a pop-up picker on Linux by its current choice, so "Matrix Mixer" or "1" would
// stand where "Control" or "Channel" belongs and a name given in code would be lost. Every
// picker here is known by its name (given in code, or by its caption or hint), its choice is
// its value, and pressing it opens its list. Installed once, for the whole application.
void installComboAccessibility();
