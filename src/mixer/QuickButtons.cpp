#include "mixer/QuickButtons.h"

#include <QGridLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "mixer/InputQuickMenu.h"
#include "ui/ChannelWords.h"
#include "ui/ModelWatcher.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

namespace {

quint32 gateOff(int ch) {
    return quint32(214 + ch);
}
quint32 delayParam(int ch) {
    return quint32(330 + ch);
}
quint32 firOff(int ch) {
    return quint32(391 + ch);
}
quint32 compressorOff(int ch) {
    return quint32(182 + ch);
}
quint32 limiterOff(int ch) {
    return quint32(198 + ch);
}

// Device "off words" hold 0 for on.
DSPModel::Words offWord(bool on) {
    return {on ? 0u : 1u};
}

QList<QuickButtons::Quick> inputToggles(DSPModel& dsp, int ch) {
    return {{QStringLiteral("N"), QStringLiteral("Noise gate"), dsp.words(gateOff(ch), 1)[0] == 0,
             Palette::green(), [&dsp, ch](bool on) { dsp.write(gateOff(ch), offWord(on)); },
             dsp.holds(gateOff(ch))}};
}

QList<QuickButtons::Quick> outputToggles(DSPModel& dsp, int ch) {
    return {{QStringLiteral("E"), QStringLiteral("EQ (lit = active, dark = bypassed)"),
             !dsp.eqBypassed().contains(ch), Palette::green(),
             [&dsp, ch](bool on) { dsp.setEQBypass(ch, !on); }}};
}

}  // namespace

QList<QuickButtons::Quick> QuickButtons::toggles(DSPModel& dsp, int ch) {
    QList<Quick> list;
    list.append({QStringLiteral("Ø"), QStringLiteral("Invert polarity"), channelwords::inverted(dsp, ch),
                 Theme::systemOrange(), [&dsp, ch](bool on) { dsp.setPolarity(ch, on); },
                 dsp.holds(channelwords::gainParam(ch))});
    list.append(ch < 4 ? inputToggles(dsp, ch) : outputToggles(dsp, ch));
    list.append({QStringLiteral("D"), QStringLiteral("Delay"), dsp.words(delayParam(ch), 2)[1] == 0,
                 Palette::green(),
                 [&dsp, ch](bool on) {
                     DSPModel::Words w = dsp.words(delayParam(ch), 2);
                     w[1] = on ? 0 : 1;  // the delay time goes out unchanged
                     dsp.write(delayParam(ch), w);
                 },
                 dsp.holds(delayParam(ch))});
    // The FIR switch is the one toggle that grouped channels do not share.
    list.append({QStringLiteral("F"), QStringLiteral("FIR (lit = active, dark = bypassed)"),
                 dsp.words(firOff(ch), 1)[0] == 0, Palette::green(),
                 [&dsp, ch](bool on) { dsp.write(firOff(ch), offWord(on), std::nullopt, false); },
                 dsp.holds(firOff(ch))});
    if (ch >= 4) {
        list.append({QStringLiteral("C"), QStringLiteral("Compressor"), dsp.compressor(ch).on,
                     Palette::green(),
                     [&dsp, ch](bool on) {
                         DSPModel::Compressor c = dsp.compressor(ch);
                         c.on = on;
                         dsp.setCompressor(ch, c);
                     },
                     dsp.holds(ParamMap::Block::compressor(), ch) && dsp.holds(compressorOff(ch))});
        list.append({QStringLiteral("L"), QStringLiteral("Limiter"), dsp.limiter(ch).on, Palette::green(),
                     [&dsp, ch](bool on) {
                         DSPModel::Limiter l = dsp.limiter(ch);
                         l.on = on;
                         dsp.setLimiter(ch, l);
                     },
                     dsp.holds(ParamMap::Block::limiter(), ch) && dsp.holds(limiterOff(ch))});
    }
    return list;
}

QuickButtons::QuickButtons(DSPModel& dsp, int ch, QWidget* parent) : QWidget(parent), m_dsp(dsp), m_ch(ch) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(4);
    const QList<Quick> quick = toggles(dsp, ch);
    for (qsizetype i = 0; i < quick.size(); ++i) {
        auto* button = new FlatButton(quick[i].label, Theme::font(11, QFont::Bold), 21);
        button->setMinimumWidth(10);
        // Checked while lit, so assistive tools tell the state the face shows.
        button->setCheckable(true);
        // The state is read again at the click, so a toggle never acts on a stale face.
        connect(button, &FlatButton::clicked, this, [this, i] {
            const Quick q = toggles(m_dsp, m_ch).at(i);
            q.toggle(!q.on);
        });
        grid->addWidget(button, int(i / 2), int(i % 2));
        m_buttons.append(button);
    }
    stack->addLayout(grid);
    if (ch < 4) {
        m_source = new InputQuickMenu(dsp, ch);
        stack->addWidget(m_source);
    }
    QSet<quint32> watched{channelwords::gainParam(ch), gateOff(ch),   delayParam(ch), firOff(ch),
                          compressorOff(ch),           limiterOff(ch)};
    if (ch >= 4) watched += {174 + quint32(ch), 190 + quint32(ch)};
    new ModelWatcher(
        dsp, watched, [this] { refresh(); }, this);
    refresh();
}

FlatButton* QuickButtons::button(const QString& label) const {
    for (FlatButton* b : m_buttons)
        if (b->text() == label) return b;
    return nullptr;
}

void QuickButtons::refresh() {
    const QList<Quick> quick = toggles(m_dsp, m_ch);
    for (qsizetype i = 0; i < quick.size(); ++i) {
        const Quick& q = quick[i];
        FlatButton* b = m_buttons[i];
        const QSignalBlocker blocker(b);
        // A state the device never reported is not lit: the table's zeros would read as "on".
        const bool lit = q.known && q.on;
        b->setEnabled(q.known);
        b->setChecked(lit);
        b->setLook(lit ? FlatButton::Look{Theme::withOpacity(q.tint, 0.22), Theme::withOpacity(q.tint, 0.7),
                                          q.tint, 5}
                       : FlatButton::Look{Theme::white(0.05), QColor(),
                                          Theme::withOpacity(Theme::secondaryText(), 0.7), 5});
        b->setAccessibleName(q.help);  // the face shows only a letter
        b->setToolTip(q.help + (!q.known ? QStringLiteral(" — not read")
                                : q.on   ? QStringLiteral(" — on")
                                         : QStringLiteral(" — off")));
    }
}
