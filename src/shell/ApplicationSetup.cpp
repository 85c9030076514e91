#include "shell/ApplicationSetup.h"

#include "ui/accessibility/AccessibilityFactory.h"
#include "ui/controls/Theme.h"
#include "ui/input/InputPolicy.h"

void setUpApplication(QApplication& application) {
    Theme::apply(application);
    installInputPolicy(application);
    installAccessibility(application);
}
