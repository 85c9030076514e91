#include "ui/input/PendingEdits.h"
#include "ui/controls/FieldEdits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>
#include <utility>

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
            commitAsLeaving(*edit);
        }
    }
}

void forgetPendingEdits(QWidget& root) {
    for (QLineEdit* edit : root.findChildren<QLineEdit*>()) edit->setModified(false);
}

bool holdsPendingEdits(const QWidget& root) {
    const QList<QLineEdit*> edits = root.findChildren<QLineEdit*>();
    return std::any_of(edits.begin(), edits.end(), [](const QLineEdit* edit) { return edit->isModified(); });
}

namespace {

// Every button is met once, when it is first polished, and from then on its press (which
// comes before its click, whatever made it) commits the focused field first.
class CommitBeforeActions : public QObject {
public:
    using QObject::QObject;

    void commitFocusedEdit() {
        commitHeldEdit();
        auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (edit && edit->isModified()) commitAsLeaving(*edit);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish)
            if (auto* button = qobject_cast<QAbstractButton*>(watched))
                connect(button, &QAbstractButton::pressed, this, &CommitBeforeActions::commitFocusedEdit,
                        Qt::UniqueConnection);
        return false;
    }
};

}  // namespace

void commitEditsBeforeActions(QApplication& application) {
    static QPointer<CommitBeforeActions> filter;
    if (filter) return;
    filter = new CommitBeforeActions(&application);
    application.installEventFilter(filter);
    // The focus going anywhere but into the held field moves on from it, as leaving it would.
    QObject::connect(&application, &QApplication::focusChanged, filter, [](QWidget*, QWidget* now) {
        if (now && now != heldEdit()) commitHeldEdit();
    });
}
