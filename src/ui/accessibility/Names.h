#pragma once

class QApplication;
class QString;
class QWidget;

// A container that repeats per channel (a mixer strip, a routing row, a band column) is one
// group named by its channel, so the "Gain" or "MUTE" inside it reads as that channel's
// while the visible captions stay as they are. Call again when the channel is renamed.
void nameAccessibleGroup(QWidget* container, const QString& name);

// A control without a caption of its own (an icon button, a knob, a typed field, a check
// box without text) is named by what its tool tip says it does, or else by a field's
// placeholder. A name given in code, or a caption, wins. One filter on the application
// covers every page, present and future; idempotent.
void nameControlsFromTheirHints(QApplication& application);

// Containers named as groups, and panels (named by their title), get a grouping element.
void installGroupAccessibility();

// Tells assistive tools that the focus moved to another child of a widget that draws its
// own rows (nothing when none listens).
void announceFocusedChild(QWidget& widget);
