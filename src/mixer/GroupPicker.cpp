#include "mixer/GroupPicker.h"

#include <QMenu>
#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <algorithm>

#include "link/DSPModel.h"
#include "ui/DeviceMoments.h"
#include "ui/controls/Popover.h"
#include "ui/controls/Theme.h"
#include "ui/input/PopupFocus.h"

GroupPicker::GroupPicker(DSPModel& dsp, int ch, QWidget* parent) : QToolButton(parent), m_dsp(dsp), m_ch(ch) {
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setFont(Theme::font(Theme::captionPx));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Group"));  // the face shows the choice, read as the value
    setToolTip(
        QStringLiteral("Linked channels share every change. Joining a group copies the group's settings onto "
                       "this channel."));
    // No item is marked as current (the face shows the group); the menu opens on it all the same.
    auto* menu = new QMenu(this);
    const auto choice = [&](const QString& text, std::optional<int> group) {
        QAction* action = menu->addAction(text, this, [this, group] { m_dsp.setGroup(m_ch, group); });
        action->setData(group ? *group : 0);
    };
    choice(QStringLiteral("No group"), std::nullopt);
    menu->addSeparator();
    for (int n = 1; n <= 4; ++n) choice(QStringLiteral("Group %1").arg(n), n);
    setMenu(menu);
    makePopoverMenu(*menu, *this);
    closeWhenDeviceMovesOn(*menu, dsp);
    connect(&dsp, &DSPModel::groupsChanged, this, &GroupPicker::refresh);
    refresh();
}

namespace {

constexpr int inset = 2;      // between the face's edge and the label
constexpr int gap = 3;        // between the label and the arrow
constexpr int arrowSize = 5;  // the menu arrow, just after the label

}  // namespace

// Label and arrow side by side, both whole: the style would centre the label over the whole
// face with its arrow in the corner, under it. A narrow strip leaves room for the label alone,
// which then shows whole without the arrow.
QSize GroupPicker::sizeHint() const {
    const int label = fontMetrics().horizontalAdvance(text());
    return {inset + label + gap + arrowSize + inset, QToolButton::sizeHint().height()};
}

void GroupPicker::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    const QString label = option.text;
    option.text.clear();
    option.features &= ~QStyleOptionToolButton::HasMenu;  // the arrow is drawn beside the label
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const bool roomForArrow = width() >= sizeHint().width();
    const QRect labelRect =
        roomForArrow ? QRect(inset, 0, fontMetrics().horizontalAdvance(label), height()) : rect();
    painter.drawItemText(labelRect, Qt::AlignCenter, option.palette, isEnabled(), label,
                         QPalette::ButtonText);
    if (!roomForArrow || !menu()) return;
    QStyleOption arrow(option);
    arrow.rect = QRect(labelRect.right() + 1 + gap, (height() - arrowSize) / 2 + 1, arrowSize, arrowSize);
    painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);
}

QString GroupPicker::labelFor(std::optional<int> group) {
    return group ? QStringLiteral("Grp %1").arg(*group) : QStringLiteral("Grp –");
}

void GroupPicker::refresh() {
    const auto& groups = m_dsp.groupOf();
    const std::optional<int> group =
        groups.contains(m_ch) ? std::optional<int>(groups.value(m_ch)) : std::nullopt;
    setText(labelFor(group));
    const QList<QAction*> items = menu()->actions();
    const auto current = std::find_if(items.begin(), items.end(), [&](const QAction* action) {
        return !action->isSeparator() && action->data().toInt() == group.value_or(0);
    });
    setUnmarkedChoice(*menu(), current == items.end() ? nullptr : *current);
}
