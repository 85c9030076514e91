#pragma once

class QApplication;

// How the window meets the keyboard, the wheel and the pointer: the focus ring and Tab stops,
// the wheel in scrolling panes, tool tips, and typed text committed before a button acts.
// Application-wide filters, installed once; the widgets know nothing of them. Idempotent.
void installInputPolicy(QApplication& application);
