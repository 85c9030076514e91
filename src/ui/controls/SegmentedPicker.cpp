#include "ui/controls/SegmentedPicker.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>

#include "ui/accessibility/SimpleWidgets.h"
#include "ui/input/ArrowKeys.h"

SegmentedPicker::SegmentedPicker(const QStringList& values, const QStringList& titles, QWidget* parent)
    : QWidget(parent), m_values(values) {
    for (int i = 0; i < values.size(); ++i) m_titles.append(titles.value(i, values[i]));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < values.size(); ++i) {
        // A single "&" would mark a shortcut letter and vanish from the title.
        auto* button = new QPushButton(QString(m_titles[i]).replace(QLatin1Char('&'), QStringLiteral("&&")));
        button->setCheckable(true);
        // Tab reaches a segment; a click leaves a typed field its focus.
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
        markAsExclusiveChoice(*button);
        button->setToolTip(m_titles[i]);
        // The segment already chosen, chosen again, changes nothing and so reports nothing.
        connect(button, &QPushButton::clicked, this, [this, i] {
            const bool changed = m_values[i] != m_current;
            setCurrent(m_values[i]);
            if (changed) Q_EMIT chosen(m_values[i]);
        });
        if (i == 0) button->setProperty("edge", QStringLiteral("first"));
        if (i == values.size() - 1) button->setProperty("edge", QStringLiteral("last"));
        row->addWidget(button, 1);
        m_buttons.append(button);
    }
    // Joined segments; the chosen one stands out as on the platform's segmented control.
    setStyleSheet(QStringLiteral(
        "QPushButton { background: rgba(255,255,255,16); border: 1px solid rgba(255,255,255,30); "
        "border-radius: 0;"
        " padding: 3px 4px; color: rgba(255,255,255,200); }"
        "QPushButton:checked { background: rgba(255,255,255,70); color: white; }"
        // Drawn disabled, as the desktop draws a control that takes no click.
        "QPushButton:disabled { background: rgba(255,255,255,6); border-color: rgba(255,255,255,14); "
        "color: rgba(255,255,255,70); }"
        "QPushButton:checked:disabled { background: rgba(255,255,255,30); }"
        "QPushButton[edge=\"first\"] { border-top-left-radius: 5px; border-bottom-left-radius: 5px; }"
        "QPushButton[edge=\"last\"] { border-top-right-radius: 5px; border-bottom-right-radius: 5px; }"));
}

void SegmentedPicker::setCurrent(const QString& value) {
    m_current = value;
    for (int i = 0; i < m_buttons.size(); ++i) m_buttons[i]->setChecked(m_values[i] == value);
    // The chosen segment is the picker's one Tab stop: the keys stay on it when the choice
    // they moved to is refused (a cancelled confirmation) or changes from elsewhere.
    QPushButton* chosen = currentSegment();
    if (chosen && !chosen->hasFocus() && m_buttons.contains(QApplication::focusWidget()))
        chosen->setFocus(Qt::OtherFocusReason);
}

void SegmentedPicker::showsPages() {
    for (QPushButton* button : m_buttons) markAsPageChoice(*button);
}

void SegmentedPicker::setAvailable(bool available, const QString& why) {
    setEnabled(available);
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setToolTip(available || why.isEmpty() ? m_titles[i]
                                                            : m_titles[i] + QStringLiteral(" — ") + why);
}

QPushButton* SegmentedPicker::currentSegment() const {
    return m_buttons.value(m_values.indexOf(m_current));
}

QPushButton* SegmentedPicker::segment(int index) const {
    return m_buttons.value(index);
}

bool SegmentedPicker::eventFilter(QObject* watched, QEvent* event) {
    return arrowkeys::workChoiceRow({m_buttons.begin(), m_buttons.end()}, watched, event);
}
