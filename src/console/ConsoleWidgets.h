#pragma once

#include <QFont>
#include <QString>
#include <functional>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Small building blocks the console's panels share.

// The space between a tab's frame and its content.
constexpr int tabPageMargin = 6;

// A header row on `header`: the title in the headline font, then room for
// the controls the caller adds after it at the right.
QHBoxLayout* headerRow(const QString& title, int margin, QWidget* header);

// A label in the secondary text colour.
QLabel* secondaryLabel(const QString& text, const QFont& font, QWidget* parent);

// A push button that never becomes the default button of its window.
QPushButton* plainButton(const QString& text, QWidget* parent);

// A plain button only as wide as its text needs, for rows that are short of room.
QPushButton* compactButton(const QString& text, QWidget* parent);

// Only a button takes what is typed in the console's fields (Send, Listen, Connect, Add note),
// so nothing commits it on leaving: the window keeps it under the field's object name while
// the page is gone (see KeptEdits).
void keepTyped(QLineEdit& field);

// A text field for hex bytes, in the monospaced body font, of any length. Its edits, however
// they come, go to `edited` (see FieldEdits); what is typed is kept (keepTyped).
QLineEdit* hexField(const QString& objectName, QWidget* parent,
                    std::function<void(const QString&)> edited = {});
