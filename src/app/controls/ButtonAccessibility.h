#pragma once

class QAbstractButton;
class QString;

// Assistive tools press and toggle buttons through their accessible actions. Qt's own
// toggle flips the checked state without a click, so nothing that listens for the click
// (a write to the device, a page switch, a segment unchecking its neighbours) happens while
// the button looks switched. Every button here gets an element whose press and toggle are
// the click itself, and whose state is what the screen shows: a button that opens a menu
// opens it and tells whether it is open, and an on/off button reads as one that can be
// switched, on or off. Installed once, for the whole application.
void installButtonAccessibility();

// Marks a button as one choice of an exclusive set (a segment), so assistive tools present
// it as a radio button.
void markAsExclusiveChoice(QAbstractButton& button);

// A caption as read: its "&&" stands for one ampersand and a single "&" marks a shortcut letter.
QString withoutMnemonic(const QString& text);
