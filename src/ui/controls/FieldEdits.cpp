#include "ui/controls/FieldEdits.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>

#include "platform/TextMarks.h"

FieldEdits::FieldEdits(QLineEdit& edit, std::function<void(const QString&)> edited)
    : QObject(&edit), m_edit(edit), m_edited(std::move(edited)), m_shown(edit.text()) {
    connect(&edit, &QLineEdit::textChanged, this, &FieldEdits::changed);
}

FieldEdits& FieldEdits::of(QLineEdit& edit) {
    auto* edits = edit.findChild<FieldEdits*>(QString(), Qt::FindDirectChildrenOnly);
    Q_ASSERT(edits);
    return *edits;
}

void FieldEdits::show(const QString& text) {
    m_shown = text;
    const QSignalBlocker block(&m_edit);
    m_edit.setText(text);
    m_edit.setModified(false);
}

void FieldEdits::commitOnReturn(std::function<void()> commit) {
    connect(&m_edit, &QLineEdit::returnPressed, this, [this, commit = std::move(commit)] {
        if (editing()) commit();
    });
}

void FieldEdits::giveBack(const QString& text) {
    show(text);
    m_edit.setModified(true);
    if (m_edited) m_edited(text);
}

void FieldEdits::changed(const QString& text) {
    if (!m_edit.isEnabled()) {
        show(m_shown);
        return;
    }
    if (m_namesOnly && dropControls(text)) return;  // the text without them came as an edit of its own
    m_shown = text;
    m_edit.setModified(true);
    if (m_edited) m_edited(text);
    // Text set into a field the user is not in (an assistive tool's, often a piece at a time)
    // waits for its commit as typing does.
    if (!m_edit.hasFocus()) holdUntilCommitted(m_edit);
}

bool FieldEdits::dropControls(const QString& text) {
    const QString kept = textmarks::withoutControls(text);
    if (kept == text) return false;
    const qsizetype cursor = textmarks::withoutControls(text.left(m_edit.cursorPosition())).size();
    m_edit.setText(kept);
    m_edit.setCursorPosition(int(cursor));
    return true;
}

void commitAsLeaving(QLineEdit& edit) {
    const bool focused = edit.hasFocus();
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(&edit, &out);
    // A field that keeps the focus shows its cursor again.
    if (focused && edit.hasFocus()) {
        QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(&edit, &in);
    }
}

namespace {

QPointer<QLineEdit>& held() {
    static QPointer<QLineEdit> edit;
    return edit;
}

}  // namespace

QLineEdit* heldEdit() {
    return held();
}

void commitHeldEdit() {
    const QPointer<QLineEdit> edit = std::exchange(held(), nullptr);
    if (edit && edit->isModified() && !edit->hasFocus()) commitAsLeaving(*edit);
}

void holdUntilCommitted(QLineEdit& edit) {
    if (held() != &edit) commitHeldEdit();
    held() = &edit;
}

bool FieldEdits::editing() const {
    return m_edit.isModified();
}
