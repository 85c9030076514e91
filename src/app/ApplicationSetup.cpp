#include "app/ApplicationSetup.h"

#include "app/accessibility/AccessibilityFactory.h"
#include "app/controls/Theme.h"
#include "app/input/InputPolicy.h"

void setUpApplication(QApplication& application) {
    Theme::apply(application);
    installInputPolicy(application);
    installAccessibility(application);
}
