#include "ui/input/InputPolicy.h"

#include "ui/input/KeyboardFocus.h"
#include "ui/input/PendingEdits.h"
#include "ui/input/ToolTips.h"
#include "ui/input/WheelGuard.h"

void installInputPolicy(QApplication& application) {
    wheelguard::install(application);
    keyboardfocus::install(application);
    tooltips::install(application);
    commitEditsBeforeActions(application);
}
