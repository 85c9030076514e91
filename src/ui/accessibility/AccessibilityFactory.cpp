#include "ui/accessibility/AccessibilityFactory.h"

#include "ui/accessibility/ComplexWidgets.h"
#include "ui/accessibility/ItemViews.h"
#include "ui/accessibility/Lifetime.h"
#include "ui/accessibility/Names.h"
#include "ui/accessibility/Popups.h"
#include "ui/accessibility/RangeControls.h"
#include "ui/accessibility/SimpleWidgets.h"

void installAccessibility(QApplication& application) {
    nameControlsFromTheirHints(application);
    renewOutgrownElements(application);
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
