#include "app/controls/ArrowKeys.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>

namespace arrowkeys {

namespace {

bool usable(const QAbstractButton& button) {
    return button.isEnabled() && !button.isHidden();
}

// The button Tab lands on: the chosen one, or the first usable one when none is chosen.
QAbstractButton* tabStop(const QList<QAbstractButton*>& row) {
    for (QAbstractButton* button : row)
        if (button->isChecked() && usable(*button)) return button;
    for (QAbstractButton* button : row)
        if (usable(*button)) return button;
    return nullptr;
}

bool pressNeighbour(const QList<QAbstractButton*>& row, qsizetype from, int step) {
    for (qsizetype i = from + step; i >= 0 && i < row.size(); i += step) {
        QAbstractButton* next = row[i];
        if (!usable(*next)) continue;
        // Not a Tab reason: the focus moves within the row, not into it.
        next->setFocus(Qt::OtherFocusReason);
        next->click();
        break;
    }
    return true;
}

bool isTab(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    return key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
}

// Tab leaves the row: the other buttons step out of the focus chain while the key moves the
// focus on, and step back in afterwards (they stay focusable for assistive tools).
bool leaveRow(const QList<QAbstractButton*>& row, QAbstractButton& from, QKeyEvent& key) {
    static bool leaving = false;
    if (leaving) return false;
    leaving = true;
    QList<QAbstractButton*> stepped;
    for (QAbstractButton* button : row) {
        if (button == &from || !(button->focusPolicy() & Qt::TabFocus)) continue;
        button->setFocusPolicy(Qt::FocusPolicy(button->focusPolicy() & ~Qt::TabFocus));
        stepped << button;
    }
    QCoreApplication::sendEvent(&from, &key);
    for (QAbstractButton* button : stepped)
        button->setFocusPolicy(Qt::FocusPolicy(button->focusPolicy() | Qt::TabFocus));
    leaving = false;
    return true;
}

}  // namespace

bool workChoiceRow(const QList<QAbstractButton*>& row, QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    const qsizetype index = row.indexOf(button);
    if (index < 0) return false;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (const int step = choiceStep(key->key())) return pressNeighbour(row, index, step);
        return isTab(*key) && leaveRow(row, *button, *key);
    }
    if (event->type() == QEvent::FocusIn) {
        // Tab from outside lands on the first or last button; the row's stop takes it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        QAbstractButton* stop = tabStop(row);
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && stop && stop != button)
            stop->setFocus(reason);
    }
    return false;
}

}  // namespace arrowkeys
