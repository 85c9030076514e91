#pragma once

class QWidget;

// Commits the typed text still pending in the line edits below `root`, exactly as if the
// keyboard focus had left them: views call it before they go away and before the selection a
// field edits changes, because the clicks that do that (tab segments, crosspoint squares, a
// page switch) take no focus and nothing typed may be lost silently.
void commitPendingEdits(QWidget* root);
