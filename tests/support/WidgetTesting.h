#pragma once

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QSpontaneKeyEvent>
#include <QWheelEvent>
#include <QWidget>
#include <functional>

#include "support/Visible.h"

namespace kestrel_test {

// The widgets Tab stops at, in order, from `start` (which takes the focus first) until the
// focus comes back to it, is lost or meets a widget again. `pressTab` presses the key where
// the focus is and lets the window settle; `atStop` sees each stop before the next press.
inline QList<QWidget*> tabRound(QWidget* start, const std::function<void()>& pressTab,
                                const std::function<void(QWidget*)>& atStop = {}) {
    QList<QWidget*> stops;
    start->setFocus(Qt::TabFocusReason);
    for (QWidget* at = start; at && !stops.contains(at) && stops.size() < 1000;
         at = QApplication::focusWidget()) {
        stops << at;
        if (atStop) atStop(at);
        pressTab();
    }
    return stops;
}

// Writes the widget as it is drawn to <build>/screenshots/<name>.png, for a person to look at
// beside the test's assertions.
inline void saveScreenshot(QWidget& widget, const QString& name) {
    const QString dir = QStringLiteral(KESTREL_TEST_OUTPUT_DIR);
    QDir().mkpath(dir);
    rendered(widget).save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

// Sends one mouse event straight to the widget, with explicit button state
// and modifiers (QTest's helpers keep their own button state between calls).
inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, pos, widget.mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(&widget, &event);
}

// Presses at `from`, moves to `to` in one step (and releases unless told not to).
inline void drag(QWidget& widget, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 bool release = true) {
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
    sendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
    if (release) sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
}

inline void doubleClick(QWidget& widget, QPointF at) {
    sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    sendMouse(widget, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

// A wheel event over the middle of the widget: `angle` in eighths of a degree (120 a notch of
// an ordinary wheel), `pixels` from a touchpad or another precise device. It is marked as
// coming from the window system: only then does Qt hand a wheel event that the widget leaves
// alone on to its parents, up to the pane that scrolls.
inline void wheelOver(QWidget& widget, QPoint angle, QPoint pixels = {},
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF at(widget.width() / 2.0, widget.height() / 2.0);
    QWheelEvent event(at, widget.mapToGlobal(at), pixels, angle, Qt::NoButton, modifiers, Qt::NoScrollPhase,
                      false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(&widget, &event);  // sendEvent would clear the mark
}

// One wheel notch (negative: towards the user, scrolling down) over the middle of the widget.
inline void wheelNotch(QWidget& widget, int notches) {
    wheelOver(widget, QPoint(0, 120 * notches));
}

}  // namespace kestrel_test
