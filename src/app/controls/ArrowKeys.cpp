#include "app/controls/ArrowKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace arrowkeys {

bool pressNeighbourOnArrow(const QList<QAbstractButton*>& row, QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int step = choiceStep(static_cast<QKeyEvent*>(event)->key());
    const qsizetype from = row.indexOf(qobject_cast<QAbstractButton*>(watched));
    if (step == 0 || from < 0) return false;
    for (qsizetype i = from + step; i >= 0 && i < row.size(); i += step) {
        QAbstractButton* next = row[i];
        if (!next->isEnabled() || next->isHidden()) continue;
        next->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        next->click();
        break;
    }
    return true;
}

}  // namespace arrowkeys
