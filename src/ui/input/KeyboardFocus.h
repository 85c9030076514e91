#pragma once

#include <QList>
#include <QPointer>

class QAction;
class QApplication;
class QMenu;
class QWidget;

// How the whole window meets the keyboard: a ring in the theme's accent colour marks the
// control that holds the focus while the user works with keys (not after a click), and
// Return or Enter presses a focused button as Space does. Panes of controls are no Tab stops
// of their own, and a menu the keyboard opens starts on its first entry. Installed once, for
// the whole application.
namespace keyboardfocus {

void install(QApplication& application);

// The control the ring surrounds, or nothing while no ring shows.
QWidget* ringedWidget();

// The root and its descendants that Tab stops at, in the order Tab meets them. They are
// looked for round the whole window: once moved, they no longer follow their containers. A
// widget that hands its focus to another (a tab widget to its tab bar) is no stop of its own.
QList<QWidget*> tabStops(QWidget& root);

// Those that Tab can reach now (shown, also in a window not yet open, and enabled), and the
// first of them, or none.
QList<QWidget*> reachableStops(QWidget& root);
QWidget* firstTabStop(QWidget& root);

// Moves the Tab stops of `widget` to just after those of `previous`. A widget made after its
// neighbours joins the window's Tab order at its end; this puts it where it is read.
void followInTabOrder(QWidget* previous, QWidget* widget);

// The control inside a region that had the focus before the region was disabled, hidden or
// rebuilt, given the focus back once the region is back: the same control where it can take
// the focus again, otherwise the one now at its place in the region's Tab order. Nothing
// happens when the focus was outside the region, when the user has pressed a key or a mouse
// button since the region let it go, or while a popup holds the keys.
//
// The focus meant is the window's own, also while the window is not active: a confirmation
// that has just closed leaves the window inactive until the window manager hands it back,
// and the work it confirmed starts before that. Where the program moves the keys meanwhile
// (the next control when one is disabled, a page hidden for a read-back) is no choice of the
// user's, so several regions let go and come back in any order and the last to come back wins.
class FocusReturn {
public:
    explicit FocusReturn(QWidget& region);
    // Notes the moment the region let the keys go (the first call counts; without one, the
    // moment the return was made).
    void park();
    void restore() const;

private:
    QPointer<QWidget> m_region;
    QPointer<QWidget> m_control;
    qsizetype m_index = -1;
    bool m_parked = false;
    quint64 m_inputs = 0;
};

}  // namespace keyboardfocus
