#pragma once

class QWidget;

// The fader and the knob draw themselves, so assistive tools see nothing of
// them unless we describe them: each is one element with a role, a value with
// its range, and increase/decrease actions that report a new value the way the
// control's own keys do. A unit slider is described the same way, so it reads
// in its unit.
void installControlAccessibility();

// Tells assistive tools that a control's value changed (nothing when none listens).
void announceValueChange(QWidget* control, double value);
