#include "ui/accessibility/ToolRequests.h"

#include <QApplication>
#include <QWidget>

namespace {

const QWidget& topOf(const QWidget& widget) {
    const QWidget* top = &widget;
    while (top->parentWidget()) top = top->parentWidget();
    return *top;
}

// As Qt blocks the mouse and keys: a modal window blocks every window but itself and those it
// opened; one modal to its window only that window's family.
bool blockedByModal(const QWidget& widget) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return false;
    for (const QWidget* w = &widget; w; w = w->parentWidget())
        if (w == modal) return false;
    return modal->windowModality() != Qt::WindowModal || &topOf(widget) == &topOf(*modal);
}

}  // namespace

bool takesToolRequests(const QWidget& control) {
    return control.isEnabled() && !blockedByModal(control);
}
