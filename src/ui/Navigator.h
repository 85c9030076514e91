#pragma once

#include <QObject>

#include <functional>

#include "ui/Page.h"

class QWidget;

// Lets any view ask the console to show a page (the input panel opens the
// sources page this way) without knowing the console.
class Navigator : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Picks the control of the page's view that takes the keys; none: its first control.
    using FocusPick = std::function<QWidget*(QWidget& view)>;

    void showPage(const Page& page, const FocusPick& focus = {}) { Q_EMIT pageRequested(page, focus); }
    // Shows the sources page with the keys on the given input's source. Only the window knows
    // that page's view, so it says which control that is; unset, the page's first control.
    void showInputSource(int input) {
        FocusPick focus;
        if (inputSourceControl)
            focus = [pick = inputSourceControl, input](QWidget& view) { return pick(view, input); };
        showPage(Page::of(Page::Kind::sources), focus);
    }
    std::function<QWidget*(QWidget& view, int input)> inputSourceControl;

Q_SIGNALS:
    void pageRequested(const Page& page, const Navigator::FocusPick& focus);
};
