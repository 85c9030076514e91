#include "app/input/InputPolicy.h"

#include "app/input/KeyboardFocus.h"
#include "app/input/PendingEdits.h"
#include "app/input/ToolTips.h"
#include "app/input/WheelGuard.h"

void installInputPolicy(QApplication& application) {
    wheelguard::install(application);
    keyboardfocus::install(application);
    tooltips::install(application);
    commitEditsBeforeActions(application);
}
