#include "mixer/ChannelStrip.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "link/DSPModel.h"
#include "link/MeterStore.h"
#include "mixer/GroupPicker.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/QuickButtons.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceMoments.h"
#include "ui/ModelWatcher.h"
#include "ui/accessibility/Names.h"
#include "ui/accessibility/Popups.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Fader.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/LiveMeters.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

constexpr double kCapH = 28;
constexpr double kCapW = 22;
constexpr double kNameShrink = 0.7;

QHBoxLayout* inset(QWidget* widget, int margin) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(margin, 0, margin, 0);
    row->addWidget(widget);
    return row;
}

std::optional<int> groupOf(const DSPModel& dsp, int ch) {
    const auto& groups = dsp.groupOf();
    return groups.contains(ch) ? std::optional<int>(groups.value(ch)) : std::nullopt;
}

}  // namespace

// The group number on a disc of the channel's colour, with its own tip. A label, so that
// assistive tools read it as the label it looks like.
class GroupBadge : public PlainLabel {
public:
    GroupBadge(const QColor& tint, QWidget* parent) : PlainLabel(parent), m_tint(tint) { hide(); }

    void setGroup(std::optional<int> group) {
        setVisible(group.has_value());
        if (!group || *group == m_group) return;
        m_group = *group;
        setToolTip(QStringLiteral("Group %1").arg(m_group));
        setAccessibleName(toolTip());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle(0, 0, width(), height());
        painter.setBrush(m_tint);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle);
        painter.setFont(Theme::font(9, QFont::ExtraBold));
        painter.setPen(Qt::black);
        painter.drawText(circle, Qt::AlignCenter, QString::number(m_group));
    }

private:
    QColor m_tint;
    int m_group = 0;
};

StripHeader::StripHeader(DSPModel& dsp, int ch, QWidget* parent)
    : QWidget(parent), m_dsp(dsp), m_ch(ch), m_badge(new GroupBadge(Palette::channel(ch), this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QWidget* StripHeader::groupBadge() const {
    return m_badge;
}

void StripHeader::setState(const QString& shown, const QString& spoken, std::optional<int> group) {
    setToolTip(ChannelStrip::headerHelp(spoken, m_ch));
    if (shown == m_name && group == m_group) return;
    m_name = shown;
    m_group = group;
    m_badge->setGroup(group);
    m_badge->setGeometry(nameRow().badge.toRect());
    update();
}

// The name shrinks down to 70 % of its size before it is cut; the badge follows it.
StripHeader::NameRow StripHeader::nameRow() const {
    const double rowTop = 3 + 3 + 4;
    const double rowHeight = height() - rowTop;
    const double badge = m_group ? 15 + 4 : 0;
    const double room = width() - 8 - badge;
    QFont font = Theme::font(13, QFont::Bold);
    double nameWidth = QFontMetricsF(font).horizontalAdvance(m_name);
    if (nameWidth > room) {
        font.setPixelSize(qMax(1, qRound(13 * qMax(kNameShrink, room / nameWidth))));
        nameWidth = qMin(room, QFontMetricsF(font).horizontalAdvance(m_name));
    }
    const double left = (width() - nameWidth - badge) / 2;
    const QRectF circle =
        m_group ? QRectF(left + nameWidth + 4, rowTop + (rowHeight - 15) / 2, 15, 15) : QRectF();
    return {font, left, nameWidth, room, circle};
}

void StripHeader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_badge->setGeometry(nameRow().badge.toRect());
}

void StripHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Theme::fillCapsule(painter, QRectF(10, 0, width() - 20, 3), Palette::channel(m_ch));
    const NameRow row = nameRow();
    const double rowTop = 3 + 3 + 4;
    const QString shown = QFontMetricsF(row.font).elidedText(m_name, Qt::ElideRight, row.room);
    painter.setFont(row.font);
    painter.setPen(Theme::primaryText());
    painter.drawText(QRectF(row.left, rowTop, row.width + 1, height() - rowTop),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void StripHeader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT doubleClicked();
}

void StripHeader::contextMenuEvent(QContextMenuEvent* event) {
    showQuickMenu(event->globalPos());
}

void StripHeader::showQuickMenu(const QPoint& globalPos) {
    QMenu menu;
    addStripQuickMenuItems(menu, m_dsp, m_ch);
    closeOnChoice(menu);
    closeWhenDeviceMovesOn(menu, m_dsp);
    menu.exec(globalPos);
}

ChannelStrip::ChannelStrip(DSPModel& dsp, Navigator* navigator, int ch, QWidget* parent)
    : QWidget(parent),
      m_dsp(dsp),
      m_ch(ch),
      m_header(new StripHeader(dsp, ch)),
      m_meter(new LiveMeterBar(dsp.meterStore(), ch, channelwords::muted(dsp, ch))),
      m_fader(new Fader(kCapH, kCapW, {10, 5, 0, -5, -10, -20, -30, -40, -60})),
      m_gain(new CompactNumberField(QStringLiteral("%.1f"), QStringLiteral("dB"), 52)),
      m_mute(new FlatButton(QStringLiteral("MUTE"), Theme::capsFont(11, QFont::ExtraBold, 0.6), 24)),
      m_quick(new QuickButtons(dsp, ch)),
      m_group(new GroupPicker(dsp, ch)),
      m_edit(new QToolButton) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 10, 0, 10);
    stack->setSpacing(8);
    stack->addWidget(m_header);

    auto* faderRow = new QHBoxLayout;
    faderRow->setContentsMargins(8, 0, 8, 0);
    faderRow->setSpacing(3);
    m_meter->setFixedWidth(7);
    m_meter->setBackdrop(Palette::panelFill());
    faderRow->addWidget(m_meter);
    faderRow->addWidget(m_fader, 1);
    stack->addLayout(faderRow, 1);

    m_gain->setRange(-60, 15);
    m_gain->lineEdit()->setAccessibleName(QStringLiteral("Gain"));
    stack->addWidget(m_gain, 0, Qt::AlignHCenter);
    stack->addLayout(inset(m_mute, 8));
    stack->addLayout(inset(m_quick, 8));
    m_mute->setCheckable(true);  // checked while muted, as assistive tools should tell
    if (InputQuickMenu* source = m_quick->sourceButton()) source->setNavigator(navigator);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(10, 0, 10, 0);
    bottom->setSpacing(0);
    bottom->addWidget(m_group);
    bottom->addStretch();
    m_edit->setAutoRaise(true);
    m_edit->setFocusPolicy(Qt::TabFocus);
    m_edit->setIcon(symbolIcon(Symbol::sliderHorizontal3, Theme::secondaryText(), 16));
    bottom->addWidget(m_edit);
    stack->addLayout(bottom);

    connect(m_header, &StripHeader::doubleClicked, this, [this] { Q_EMIT openRequested(m_ch); });
    connect(m_edit, &QToolButton::clicked, this, [this] { Q_EMIT openRequested(m_ch); });
    connect(m_fader, &Fader::gainEdited, this, &ChannelStrip::setGain);
    connect(m_gain, &CompactNumberField::committed, this, &ChannelStrip::setGain);
    // Typing the link took away stays this device's until it comes back (KeptEdits).
    keepTyping(*m_gain, QStringLiteral("mixer.gain.%1").arg(ch));
    // The state is read at the click, never from an older face.
    connect(m_mute, &FlatButton::clicked, this, [this] { toggleMute(channelwords::muted(m_dsp, m_ch)); });

    new ModelWatcher(
        dsp, {channelwords::gainParam(ch), quint32(378 + ch)}, [this] { refresh(); }, this);
    refresh();
}

QString ChannelStrip::headerHelp(const QString& name, int ch) {
    return QStringLiteral("Double-click to edit ") + name + QStringLiteral(". Right-click for phase, mute") +
           (ch < 4 ? QStringLiteral(" and source") : QString()) + QStringLiteral(".");
}

void ChannelStrip::setGain(double dB) {
    // A typed infinity is the end of the range, as in every number field.
    m_dsp.setGain(m_ch, float(std::clamp(dB, -60.0, 15.0)));
}

void ChannelStrip::toggleMute(bool muted) {
    m_dsp.setMute(m_ch, !muted);
}

void ChannelStrip::refresh() {
    const double gain = channelwords::gainDB(m_dsp, m_ch);
    const bool muted = channelwords::muted(m_dsp, m_ch);
    // The name on one line, whatever characters it holds; none while it is not read.
    const QString name = channelwords::spokenName(m_dsp, m_ch);
    const QColor tint = Palette::channel(m_ch);

    m_header->setState(channelwords::shownName(m_dsp, m_ch), name, groupOf(m_dsp, m_ch));
    m_meter->setMuted(muted);
    // Gain, mute and polarity share one block; until it is read none of them is known.
    const bool known = m_dsp.holds(channelwords::gainParam(m_ch));
    {
        const QSignalBlocker blockFader(m_fader);
        m_fader->setDB(gain);
        if (!known) m_fader->showUnknown();
        m_fader->setTint(muted ? Theme::systemGrey() : tint);
    }
    {
        const QSignalBlocker blockField(m_gain);
        m_gain->setValue(gain);
        if (!known) m_gain->showUnknown();
        m_gain->setTextColor(muted ? Palette::red() : Theme::primaryText());
    }
    const bool shownMuted = known && muted;
    m_mute->setLook(shownMuted ? FlatButton::Look{Palette::red(), QColor(), Qt::white, 6}
                               : FlatButton::Look{Theme::white(0.07), QColor(), Theme::secondaryText(), 6});
    m_mute->setChecked(shownMuted);
    m_mute->setToolTip(!known  ? QStringLiteral("Mute not read")
                       : muted ? QStringLiteral("Muted — click to unmute")
                               : QStringLiteral("Mute"));
    enableIfRead({m_fader, m_gain, m_mute}, known,
                 m_dsp.unshowable(channelwords::gainParam(m_ch)).value_or(QString()));
    m_edit->setToolTip(QStringLiteral("Edit ") + name + QStringLiteral(": EQ, filters, FIR, dynamics"));
    // Twelve strips hold a "Gain" and a "MUTE" each: the strip's group tells whose they are.
    nameAccessibleGroup(this, name);
}

// The menu key on any control of the strip opens the header's quick menu under that control:
// the keyboard's way to what a right-click on the header offers. A right-click elsewhere on
// the strip stays without a menu.
void ChannelStrip::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() != QContextMenuEvent::Keyboard) return QWidget::contextMenuEvent(event);
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus)) focus = m_header;
    m_header->showQuickMenu(focus->mapToGlobal(QPoint(0, focus->height())));
}

void ChannelStrip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Meter repaints only touch the flat middle of the panel: no need to draw its rounded outline.
    if (rect().adjusted(1, 10, -1, -10).contains(event->rect())) {
        painter.fillRect(event->rect(), Palette::panelFill());
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    Theme::fillRoundedRect(painter, rect(), 10, Palette::panelFill());
    Theme::strokeRoundedRectInside(painter, rect(), 10, Palette::stroke());
}
