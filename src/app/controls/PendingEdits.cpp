#include "app/controls/PendingEdits.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>

void commitPendingEdits(QWidget* root) {
    if (!root) return;
    QList<QPointer<QLineEdit>> pending;
    for (QLineEdit* edit : root->findChildren<QLineEdit*>())
        if (edit->isModified()) pending.append(edit);
    // A commit may rebuild parts of the view, so every field is checked before it is touched.
    for (const QPointer<QLineEdit>& edit : pending) {
        if (!edit || !edit->isModified()) continue;
        if (edit->hasFocus()) {
            edit->clearFocus();
        } else {
            QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(edit, &out);
        }
    }
}
