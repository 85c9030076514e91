#include "ui/input/PopupFocus.h"

#include <QAbstractButton>
#include <QMenu>
#include <QWidget>

#include "ui/accessibility/Popups.h"
#include "ui/controls/Popover.h"
#include "ui/input/KeyboardFocus.h"

void showPopover(QWidget& popup, const QWidget& anchor, int gap) {
    // Focus given to a child of a hidden popup is taken up when the popup opens.
    if (QWidget* first = keyboardfocus::firstTabStop(popup)) first->setFocus(Qt::PopupFocusReason);
    placePopover(popup, anchor, gap);
    popup.show();
}

void makePopoverMenu(QMenu& menu, QAbstractButton& anchor) {
    ownMenu(menu, anchor);
    // Opened from the keyboard the menu starts at its current choice, as a menu opened by
    // keys does, so the arrows and assistive tools start from there.
    QObject::connect(&menu, &QMenu::aboutToShow, &anchor, [&menu, &anchor] {
        if (anchor.hasFocus()) startAtCurrentItem(menu);
    });
}
