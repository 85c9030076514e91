#pragma once

#include <initializer_list>

class QApplication;
class QString;
class QWidget;

// The fader and the knob draw themselves, so assistive tools see nothing of
// them unless we describe them: each is one element with a role, a value with
// its range, and increase/decrease actions that report a new value the way the
// control's own keys do. A unit slider is described the same way, so it reads
// in its unit. Installed once, by the first fader, knob or unit slider.
void installControlAccessibility();

// Tells assistive tools that a control's value changed (nothing when none listens).
void announceValueChange(QWidget* control, double value);

// Tells assistive tools that the focus moved to another child of a widget that draws its
// own rows (nothing when none listens).
void announceFocusedChild(QWidget& widget);

// A container that repeats per channel (a mixer strip, a routing row, a band column) is one
// group named by its channel, so the "Gain" or "MUTE" inside it reads as that channel's
// while the visible captions stay as they are. Call again when the channel is renamed.
void nameAccessibleGroup(QWidget* container, const QString& name);

// A control without a caption of its own (an icon button, a knob, a typed field, a check
// box without text) is named by what its tool tip says it does, or else by a field's
// placeholder. A name given in code, or a caption, wins. One filter on the application
// covers every page, present and future; idempotent.
void nameControlsFromTheirHints(QApplication& application);

// A control showing a setting the device never reported tells assistive tools no value and
// says "Not read" in its description, as its face shows no setting. Views call this on every
// refresh; the knob, fader, slider and number field call it themselves when told unknown.
void showReadState(QWidget& control, bool read);
bool shownUnread(const QWidget& control);

// Controls that edit settings never read take nothing: drawn disabled and told "Not read".
void enableIfRead(std::initializer_list<QWidget*> controls, bool read);
