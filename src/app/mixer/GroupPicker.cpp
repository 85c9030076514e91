#include "app/mixer/GroupPicker.h"

#include <QMenu>

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

QString GroupPicker::labelFor(std::optional<int> group) {
    return group ? QStringLiteral("Grp %1").arg(*group) : QStringLiteral("Grp –");
}

void GroupPicker::refresh() {
    const auto& groups = m_dsp.groupOf();
    setText(labelFor(groups.contains(m_ch) ? std::optional<int>(groups.value(m_ch)) : std::nullopt));
}
