#pragma once

class QApplication;

// Inside a scrolling pane, the stock controls that change their value with the wheel
// (sliders, menus, spin boxes) never take it, focused or not: the wheel scrolls the pane,
// so scrolling a page past a control, or over the menu just picked from, never changes a
// setting. Outside scrolling panes they keep Qt's behaviour. Knobs keep their own rule
// (they turn once the pointer has rested on them) and pass the wheel on themselves until
// then. One filter on the application covers every pane and every control, present and
// future.
namespace wheelguard {

// Idempotent. Controls that would take the focus from the wheel itself take it from a
// click or Tab instead, or the wheel would focus them and then turn them.
void install(QApplication& application);

}  // namespace wheelguard
