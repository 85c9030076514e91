#pragma once

#include <QAccessible>

#include <optional>

class QAbstractButton;
class QString;
class QWidget;

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

// Marks a segment that shows a page (the channel editor's tabs): it reads selected while its
// page is shown, as a tab does, not checked.
void markAsPageChoice(QAbstractButton& button);

// A picker is a button named by its caption (Group, Type) whose face shows the current choice.
// Assistive tools speak the name, so the name carries both, "Group: Grp 1", and the value the
// choice; a picker showing a setting never read tells its caption alone and no value. Nothing
// for any other button or text.
std::optional<QString> pickerText(const QWidget& picker, const QString& face, QAccessible::Text t);

// Every single-line text field's element for assistive tools: its text read and edited as
// Qt's own element does, plus a press action that commits the field as Return does, so an
// assistive tool that set a text can also confirm it. Installed once, for the whole
// application.
void installFieldAccessibility();

// Every progress bar's element: named by its owner, its progress read as text ("40 %"), and
// nothing to set or step. Installed once, for the whole application.
void installProgressAccessibility();
