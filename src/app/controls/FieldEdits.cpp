#include "app/controls/FieldEdits.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "app/input/PendingEdits.h"

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
    m_shown = text;
    m_edit.setModified(true);
    if (m_edited) m_edited(text);
    // Text set into a field the user is not in (an assistive tool's, often a piece at a time)
    // waits for its commit as typing does.
    if (!m_edit.hasFocus()) holdUntilCommitted(m_edit);
}

bool FieldEdits::editing() const {
    return m_edit.isModified();
}
