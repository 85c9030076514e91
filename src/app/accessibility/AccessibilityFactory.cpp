#include "app/accessibility/AccessibilityFactory.h"

#include "app/accessibility/ComplexWidgets.h"
#include "app/accessibility/ItemViews.h"
#include "app/accessibility/Names.h"
#include "app/accessibility/Popups.h"
#include "app/accessibility/RangeControls.h"
#include "app/accessibility/SimpleWidgets.h"

void installAccessibility(QApplication& application) {
    nameControlsFromTheirHints(application);
    installButtonAccessibility();
    installFieldAccessibility();
    installProgressAccessibility();
    installComboAccessibility();
    installTabAccessibility();
    installListAccessibility();
    installScrollAreaAccessibility();
    installOpenMenusInTree();
    installMenuAccessibility();
    installGroupAccessibility();
    installControlAccessibility();
}
