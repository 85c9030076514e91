#include "ui/input/ArrowKeys.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

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

// Rows of choices take part in Tab with their stop alone: while a Tab moves the focus, every
// other button of each row steps out of the Tab chain, and steps back in afterwards (they stay
// focusable, for the arrows and for assistive tools). So Tab from outside moves the focus once,
// straight to the stop, and assistive tools hear of that button alone; Tab from inside a row
// leaves it from the button that has the focus.
class TabThroughStops : public QObject {
public:
    using QObject::QObject;

    void add(const QList<QAbstractButton*>& row) {
        if (row.isEmpty() || row.front()->property(rowProperty).toBool()) return;
        row.front()->setProperty(rowProperty, true);
        m_rows.append(QList<QPointer<QAbstractButton>>(row.begin(), row.end()));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || m_sending || !isTab(*static_cast<QKeyEvent*>(event)))
            return false;
        QList<QAbstractButton*> stepped;
        for (const QList<QPointer<QAbstractButton>>& kept : std::as_const(m_rows)) {
            const QList<QAbstractButton*> row(kept.begin(), kept.end());
            if (row.contains(nullptr)) continue;
            QAbstractButton* stays =
                row.contains(watched) ? static_cast<QAbstractButton*>(watched) : tabStop(row);
            for (QAbstractButton* button : row) {
                if (button == stays || !(button->focusPolicy() & Qt::TabFocus)) continue;
                button->setFocusPolicy(Qt::FocusPolicy(button->focusPolicy() & ~Qt::TabFocus));
                stepped << button;
            }
        }
        m_sending = true;
        QCoreApplication::sendEvent(watched, event);
        m_sending = false;
        for (QAbstractButton* button : stepped)
            button->setFocusPolicy(Qt::FocusPolicy(button->focusPolicy() | Qt::TabFocus));
        m_rows.removeIf([](const QList<QPointer<QAbstractButton>>& row) { return row.contains(nullptr); });
        return true;
    }

private:
    static constexpr char rowProperty[] = "choiceRowTakesTab";
    QList<QList<QPointer<QAbstractButton>>> m_rows;
    bool m_sending = false;
};

void takePartInTab(const QList<QAbstractButton*>& row) {
    static QPointer<TabThroughStops> stops;
    if (!stops) {
        stops = new TabThroughStops(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(stops);
    }
    stops->add(row);
}

}  // namespace

bool workChoiceRow(const QList<QAbstractButton*>& row, QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    const qsizetype index = row.indexOf(button);
    if (index < 0) return false;
    takePartInTab(row);
    if (event->type() == QEvent::KeyPress) {
        if (const int step = choiceStep(static_cast<QKeyEvent*>(event)->key()))
            return pressNeighbour(row, index, step);
    }
    return false;
}

}  // namespace arrowkeys
