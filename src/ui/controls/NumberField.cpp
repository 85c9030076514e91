#include "ui/controls/NumberField.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "ui/controls/CompactNumberField.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

QLabel* secondaryLabel(const QString& text) {
    auto* label = new PlainLabel(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::secondaryText());
    label->setPalette(palette);
    return label;
}

}  // namespace

NumberField::NumberField(const QString& label, const QString& unit, const QString& format, QWidget* parent)
    : QWidget(parent), m_format(format), m_edit(new QLineEdit), m_edits(new FieldEdits(*m_edit)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    if (!label.isEmpty()) {  // in a form, the form's caption column holds it
        QLabel* caption = secondaryLabel(label);
        caption->setFixedWidth(72);
        caption->setBuddy(m_edit);  // which names the field for assistive tools
        row->addWidget(caption, 0, Qt::AlignVCenter);
    }
    m_edit->setFixedWidth(70);
    m_edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_edit, 0, Qt::AlignVCenter);
    if (!unit.isEmpty()) {
        m_unit = secondaryLabel(unit);
        row->addWidget(m_unit, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    selectAllOnFocus(m_edit);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::returnPressed, this, &NumberField::commit);
    showValue();
}

void NumberField::setValue(double value) {
    m_value = value;
    m_known = true;
    showReadState(*m_edit, true);
    // A refresh while the user types keeps the typing; the commit shows the value then.
    if (!m_edits->editing()) showValue();
}

void NumberField::showUnknown() {
    m_known = false;
    showReadState(*m_edit, false);
    if (!m_edits->editing()) showValue();
}

bool NumberField::eventFilter(QObject* watched, QEvent* event) {
    // Tabbing past an untouched field commits nothing: the shown text is a formatted copy,
    // and sending it back would round (or clamp) the owner's value.
    if (watched == m_edit && event->type() == QEvent::FocusOut && m_edit->isModified()) commit();
    return QWidget::eventFilter(watched, event);
}

void NumberField::commit() {
    // Return in an untouched field writes nothing, as leaving it does.
    const std::optional<double> parsed =
        m_edit->isModified() ? parseTypedNumber(m_edit->text()) : std::nullopt;
    const QPointer<NumberField> self(this);
    if (parsed) Q_EMIT committed(*parsed);
    // Whatever was typed, the owner's value (new or old) is what stays shown.
    if (self) showValue();
}

void NumberField::showValue() {
    m_edits->show(m_known ? formatNumber(m_format, m_value) : QStringLiteral("—"));
}
