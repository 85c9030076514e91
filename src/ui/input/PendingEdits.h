#pragma once

class QApplication;
class QLineEdit;
class QWidget;

// Commits the typed text still pending in the line edits below `root`, exactly as if the
// keyboard focus had left them: views call it before they go away and before the selection a
// field edits changes, because the clicks that do that (tab segments, crosspoint squares, a
// page switch) take no focus and nothing typed may be lost silently.
void commitPendingEdits(QWidget* root);

// The opposite, for a view whose device is gone: the typed text below `root` (kept elsewhere
// first, where it is to come back) stops being an edit, so no commit follows when the view goes.
void forgetPendingEdits(QWidget& root);
// Whether a field below `root` holds text typed or set and not yet committed.
bool holdsPendingEdits(const QWidget& root);

// Whatever activates a button (a click, Space, a shortcut, an assistive tool's action) first
// commits the text pending in the focused field (and the held one), as a click that takes the
// focus does: a button that keeps the focus where it is (or an assistive tool, which moves none)
// must not act on the value from before the edit. One filter on the application; idempotent.
void commitEditsBeforeActions(QApplication& application);
