#include "editor/EditorKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "link/Levels.h"
#include "ui/accessibility/Lifetime.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeyboardFocus.h"

namespace editorkit {

QColor tint(int ch, bool on) {
    return on ? Palette::channel(ch) : Theme::systemGrey();
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QLabel* label(const QString& text, const QFont& font, const QColor& colour) {
    auto* result = new PlainLabel(text);
    result->setFont(font);
    setTextColour(result, colour);
    return result;
}

QLabel* caption(const QString& text) {
    QLabel* result = label(text, Theme::font(Theme::captionPx), Theme::secondaryText());
    result->setWordWrap(true);
    return result;
}

float roundToTenth(float dB) {
    return levels::roundToTenth(dB);
}

std::optional<int> wholePart(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double whole = std::trunc(value);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(whole);
}

namespace {

// Centred on its line, but kept whole inside the graph where the line stands near an edge.
double labelCentre(const QPainter& painter, double at, const QString& text) {
    const double half = painter.fontMetrics().horizontalAdvance(text) / 2.0 + 1;
    const double width = painter.device() ? painter.device()->width() : at + half;
    return std::max(half, std::min(at, width - half));
}

}  // namespace

void paintFrequencyGrid(QPainter& painter, const std::function<double(double)>& x, double height) {
    painter.setFont(Theme::font(Theme::caption2Px));
    for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
        const double at = x(hz);
        painter.setPen(QPen(Theme::white(0.08), 1));
        painter.drawLine(QPointF(at, 0), QPointF(at, height));
        painter.setPen(Theme::systemGrey());
        const QString text =
            hz < 1000 ? QString::number(qlonglong(hz)) : QString::number(qlonglong(hz / 1000)) + "k";
        painter.drawText(QRectF(labelCentre(painter, at, text) - 20, height - 16, 40, 16), Qt::AlignCenter,
                         text);
    }
}

void paintLevelGrid(QPainter& painter, const std::function<double(double)>& y, double width,
                    double zeroOpacity) {
    for (int dB : {-12, -6, 0, 6, 12}) {
        const double at = y(dB);
        painter.setPen(QPen(Theme::white(dB == 0 ? zeroOpacity : 0.08), 1));
        painter.drawLine(QPointF(0, at), QPointF(width, at));
        painter.setPen(Theme::systemGrey());
        painter.drawText(QRectF(0, at - 8, 24, 16), Qt::AlignCenter, QString::number(dB));
    }
}

std::function<void(double)> singleCommit(std::function<void(float)> commit) {
    return [commit = std::move(commit)](double v) {
        if (!std::isnan(v)) commit(float(v));
    };
}

std::function<void(double)> wholeCommit(std::function<void(int)> commit) {
    return [commit = std::move(commit)](double v) {
        if (auto n = wholePart(v)) commit(*n);
    };
}

void replaceControl(QWidget* old, QWidget* replacement) {
    QWidget* focused = QApplication::focusWidget();
    const bool hadFocus = focused && (focused == old || old->isAncestorOf(focused));
    delete old->parentWidget()->layout()->replaceWidget(old, replacement);
    keyboardfocus::followInTabOrder(old, replacement);
    // The focus goes straight to the new control in the old one's place. Retiring the old
    // one first would hand the focus on as if by Tab, and the page would scroll to the next
    // control for a moment.
    if (hadFocus) {
        replacement->setGeometry(old->geometry());
        replacement->show();
        keyboardfocus::tabStops(*replacement).value(0, replacement)->setFocus(Qt::OtherFocusReason);
    }
    retireFromAccessibility(*old);
    old->deleteLater();
}

QAbstractButton* toggle(const QString& title, bool bold) {
    auto* box = new QCheckBox(title);
    box->setFont(Theme::font(Theme::bodyPx, bold ? QFont::Bold : QFont::Normal));
    box->setToolTip(title);
    return box;
}

QPushButton* toggleButton(const QString& title) {
    auto* button = new QPushButton(title);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(
        QStringLiteral("QPushButton:checked { background: rgba(10,132,255,200); color: white; "
                       "border: 1px solid rgba(10,132,255,255); border-radius: 4px; padding: 2px 10px; }"));
    return button;
}

}  // namespace editorkit

Disc::Disc(int diameter, const QFont& font, QWidget* parent) : QWidget(parent) {
    setFixedSize(diameter, diameter);
    setFont(font);
}

void Disc::setLook(const QColor& fill, const QString& text, const QColor& textColour) {
    m_fill = fill;
    m_text = text;
    m_textColour = textColour;
    update();
}

void Disc::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_fill);
    painter.drawEllipse(rect());
    if (m_text.isEmpty()) return;
    painter.setPen(m_textColour);
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

void PaintCache::draw(QPainter& painter, const QWidget& widget,
                      const std::function<void(QPainter&)>& paintStatic) {
    const qreal ratio = widget.devicePixelRatioF();
    if (m_pixmap.isNull() || m_pixmap.size() != widget.size() * ratio) {
        m_pixmap = QPixmap(widget.size() * ratio);
        m_pixmap.setDevicePixelRatio(ratio);
        m_pixmap.fill(Qt::transparent);
        QPainter cached(&m_pixmap);
        cached.setRenderHint(QPainter::Antialiasing);
        paintStatic(cached);
    }
    painter.drawPixmap(0, 0, m_pixmap);
}
