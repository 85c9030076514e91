#pragma once

class QApplication;

// Inside a scrolling pane, a control that changes its value with the wheel (knob, slider,
// menu, spin box) takes the wheel only while it has the focus; otherwise the wheel goes on
// to the pane. Scrolling a page past a control thus never changes a setting. One filter
// on the application covers every pane and every control, present and future.
namespace wheelguard {

// Idempotent. Controls that would take the focus from the wheel itself take it from a
// click or Tab instead, or the wheel would focus them and then turn them.
void install(QApplication& application);

}  // namespace wheelguard
