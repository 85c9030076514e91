#include "ui/input/KeptEdits.h"

#include <QLineEdit>
#include <QPointer>

#include "ui/controls/FieldEdits.h"

namespace {

QList<FieldEdits*> keptFields(const QWidget& root) {
    QList<FieldEdits*> kept;
    for (FieldEdits* edits : root.findChildren<FieldEdits*>())
        if (!edits->keptAs().isEmpty()) kept.append(edits);
    return kept;
}

}  // namespace

void KeptEdits::takeFrom(const QWidget& root) {
    for (FieldEdits* edits : keptFields(root)) {
        const auto* field = qobject_cast<const QLineEdit*>(edits->parent());
        if (field && field->isModified())
            m_edits.texts.insert(edits->keptAs(), field->text());
        else
            m_edits.texts.remove(edits->keptAs());
    }
}

void KeptEdits::giveBack(const QWidget& root) const {
    QList<QPointer<FieldEdits>> fields;
    for (FieldEdits* edits : keptFields(root)) fields.append(edits);
    // Giving text back is an edit its view reacts to, and a reaction may rebuild part of it.
    for (const QPointer<FieldEdits>& edits : fields) {
        if (!edits) continue;
        const auto kept = m_edits.texts.constFind(edits->keptAs());
        if (kept != m_edits.texts.constEnd()) edits->giveBack(*kept);
    }
}

void KeptEdits::setDevice(const QString& device) {
    if (device == m_device) return;
    m_otherDevices.insert(m_device, std::exchange(m_edits, {}));
    m_edits = m_otherDevices.take(device);
    m_device = device;
}

bool KeptEdits::holdsFor(const QString& device) const {
    const auto kept = m_otherDevices.constFind(device);
    return kept != m_otherDevices.constEnd() && !(kept->texts.isEmpty() && kept->choices.isEmpty());
}
