#include "console/ConsoleWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "ui/controls/FieldEdits.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

QHBoxLayout* headerRow(const QString& title, int margin, QWidget* header) {
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(margin, margin, margin, margin);
    auto* label = new PlainLabel(title, header);
    label->setFont(Theme::headlineFont());
    row->addWidget(label);
    row->addStretch(1);
    return row;
}

QLabel* secondaryLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new PlainLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::secondaryText());
    label->setPalette(palette);
    return label;
}

QPushButton* plainButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

QPushButton* compactButton(const QString& text, QWidget* parent) {
    QPushButton* button = plainButton(text, parent);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(text) + 28);
    return button;
}

void keepTyped(QLineEdit& field) {
    FieldEdits::of(field).keepAs(QStringLiteral("console.") + field.objectName());
}

QLineEdit* hexField(const QString& objectName, QWidget* parent, std::function<void(const QString&)> edited) {
    auto* field = new QLineEdit(parent);
    new FieldEdits(*field, std::move(edited));
    field->setObjectName(objectName);
    keepTyped(*field);
    field->setFont(Theme::monoFont(Theme::bodyPx));
    // Qt cuts text at 32767 characters by default, which can leave a lone
    // digit at the end that would go out as a byte of its own.
    field->setMaxLength(std::numeric_limits<int>::max());
    return field;
}
