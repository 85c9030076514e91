#include "mixer/MixerView.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <cmath>

#include "mixer/ChannelStrip.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

namespace {

constexpr int kChannels = 12;
constexpr int kInputs = 4;
constexpr double kMinStripWidth = 70;
constexpr double kMaxStripWidth = 116;
constexpr double kMinStripHeight = 470;
constexpr double kHeading = 16;
constexpr double kHeadingGap = 6;

QLabel* heading(const QString& text, const QColor& colour) {
    auto* label = new PlainLabel(text);
    label->setFont(Theme::capsFont(11, QFont::DemiBold, 0.8));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setFixedHeight(int(kHeading));
    return label;
}

QRect snapped(double x, double y, double w, double h) {
    const int left = int(std::lround(x));
    const int top = int(std::lround(y));
    return QRect(left, top, int(std::lround(x + w)) - left, int(std::lround(y + h)) - top);
}

}  // namespace

MixerView::Layout MixerView::layoutFor(QSizeF page, double gap, double split, double pad) {
    double w = (page.width() - 2 * pad - 10 * gap - split) / kChannels;
    if (w <= kMinStripWidth) w = kMinStripWidth;
    if (w > kMaxStripWidth) w = kMaxStripWidth;
    double h = page.height() - 2 * pad - (kHeading + kHeadingGap);
    if (h <= kMinStripHeight) h = kMinStripHeight;
    return {w, h, QSizeF(2 * pad + kChannels * w + 10 * gap + split, 2 * pad + kHeading + kHeadingGap + h)};
}

MixerView::MixerView(DSPModel& dsp, Navigator* navigator, double gap, double split, double pad,
                     QWidget* parent)
    : QScrollArea(parent), m_gap(gap), m_split(split), m_pad(pad) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    auto* content = new QWidget;
    m_inputsHeading = heading(QStringLiteral("Inputs"), Palette::inputBlue());
    m_outputsHeading = heading(QStringLiteral("Outputs"), Palette::outputAmber());
    m_inputsHeading->setParent(content);
    m_outputsHeading->setParent(content);
    m_divider = new QWidget(content);
    m_divider->setAutoFillBackground(true);
    QPalette dividerPalette = m_divider->palette();
    dividerPalette.setColor(QPalette::Window, Palette::stroke());
    m_divider->setPalette(dividerPalette);
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* strip = new ChannelStrip(dsp, navigator, ch, content);
        connect(strip, &ChannelStrip::openRequested, this, &MixerView::openChannel);
        m_strips.append(strip);
    }
    setWidget(content);
    // The strips paint only their rounded panels: the viewport paints the detail
    // background under the gaps (or the previous page's pixels stay there), and
    // the content, which setWidget turned opaque, lets it show through.
    content->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    placeContent();
}

MixerView::Layout MixerView::currentLayout() const {
    // The page is what the scroll bars leave of the view: a bar that the content needs
    // takes its room from the strips' other side, or the content would overrun the page
    // under it and call for the other bar as well. A bar only ever adds the other, so
    // two rounds settle.
    const QSizeF whole(size());
    const QSizeF bars(verticalScrollBar()->sizeHint().width(), horizontalScrollBar()->sizeHint().height());
    QSizeF page = whole;
    Layout l = layoutFor(page, m_gap, m_split, m_pad);
    for (int round = 0; round < 2; ++round) {
        const bool sideways = l.content.width() > page.width() + 1e-6;
        const bool upright = l.content.height() > page.height() + 1e-6;
        page = QSizeF(whole.width() - (upright ? bars.width() : 0),
                      whole.height() - (sideways ? bars.height() : 0));
        l = layoutFor(page, m_gap, m_split, m_pad);
    }
    return l;
}

void MixerView::paintEvent(QPaintEvent* event) {
    QPainter(viewport()).fillRect(event->rect(), Palette::makeGrey(0.095));
}

void MixerView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    placeContent();
}

void MixerView::placeContent() {
    const Layout l = currentLayout();
    widget()->resize(int(std::ceil(l.content.width())), int(std::ceil(l.content.height())));
    const double stripTop = m_pad + kHeading + kHeadingGap;
    const double outputsLeft = m_pad + kInputs * l.stripWidth + (kInputs - 1) * m_gap + m_split;
    m_inputsHeading->setGeometry(snapped(m_pad, m_pad, 4 * l.stripWidth, kHeading));
    m_outputsHeading->setGeometry(snapped(outputsLeft, m_pad, 8 * l.stripWidth, kHeading));
    m_divider->setGeometry(snapped(outputsLeft - m_split + (m_split - 1) / 2, stripTop, 1, l.stripHeight));
    for (int ch = 0; ch < kChannels; ++ch) {
        const bool input = ch < kInputs;
        const int index = input ? ch : ch - kInputs;
        const double left = (input ? m_pad : outputsLeft) + index * (l.stripWidth + m_gap);
        m_strips[ch]->setGeometry(snapped(left, stripTop, l.stripWidth, l.stripHeight));
    }
}
