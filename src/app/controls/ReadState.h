#pragma once

#include <QString>
#include <initializer_list>

class QWidget;

// What a control that shows a setting never read says beside its name.
QString notReadText();

// A control showing a setting the device never reported tells assistive tools no value and
// says "Not read" in its description, as its face shows no setting. Views call this on every
// refresh; the knob, fader, slider and number field call it themselves when told unknown.
void showReadState(QWidget& control, bool read);
bool shownUnread(const QWidget& control);

// Controls that edit settings never read take nothing: drawn disabled and told "Not read".
void enableIfRead(std::initializer_list<QWidget*> controls, bool read);
