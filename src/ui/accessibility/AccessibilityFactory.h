#pragma once

class QApplication;

// How every control speaks to assistive tools: the elements of this folder, one kind of
// widget to a file, installed for the whole application. Qt asks the factories installed
// last first: the range controls, groups and popovers come after the stock kinds they refine.
// Idempotent.
void installAccessibility(QApplication& application);
