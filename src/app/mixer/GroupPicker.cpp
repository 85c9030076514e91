#include "app/mixer/GroupPicker.h"

#include <QMenu>
#include <QStyleOptionToolButton>
#include <QStylePainter>

#include "app/controls/Popover.h"
#include "app/controls/Theme.h"
#include "link/DSPModel.h"

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
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("No group"), this, [this] { m_dsp.setGroup(m_ch, std::nullopt); });
    menu->addSeparator();
    for (int n = 1; n <= 4; ++n) {
        menu->addAction(QStringLiteral("Group %1").arg(n), this, [this, n] { m_dsp.setGroup(m_ch, n); });
    }
    setMenu(menu);
    makePopoverMenu(*menu, *this);
    connect(&dsp, &DSPModel::groupsChanged, this, &GroupPicker::refresh);
    refresh();
}

int GroupPicker::arrowWidth() const {
    return style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, this) - 4;
}

QSize GroupPicker::sizeHint() const {
    return QToolButton::sizeHint() + QSize(arrowWidth(), 0);
}

// The style centres the label over the whole button, under the arrow it draws in the
// bottom-right corner; the label is drawn centred in the rest.
void GroupPicker::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    const QString label = option.text;
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QRect room = rect().adjusted(0, 0, -arrowWidth(), 0);
    painter.drawItemText(room, Qt::AlignCenter, option.palette, isEnabled(), label, QPalette::ButtonText);
}

QString GroupPicker::labelFor(std::optional<int> group) {
    return group ? QStringLiteral("Grp %1").arg(*group) : QStringLiteral("Grp –");
}

void GroupPicker::refresh() {
    const auto& groups = m_dsp.groupOf();
    setText(labelFor(groups.contains(m_ch) ? std::optional<int>(groups.value(m_ch)) : std::nullopt));
}
