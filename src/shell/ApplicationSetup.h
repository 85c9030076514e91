#pragma once

class QApplication;

// Everything every window of the application shares: the theme's look, the input policy and
// the accessibility elements. Called once the application object exists; idempotent.
void setUpApplication(QApplication& application);
