#pragma once

// What a person sees of a widget: its pixels, whether a field shows its text whole, and
// controls cut off at its sides.

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <string>

#include "support/AccessibleRoles.h"
#include "ui/controls/ElidedLabel.h"

namespace kestrel_test {

// The widget as it is drawn, over the dark page background that transparent views sit on.
inline QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(QColor::fromRgbF(0.095, 0.095, 0.095));
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Within `tolerance` of the colour in each of red, green and blue.
inline bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// How many pixels of the area (clipped to the image) pass.
inline int countPixels(const QImage& image, const QRect& area,
                       const std::function<bool(const QColor&)>& passes) {
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (passes(image.pixelColor(x, y))) ++count;
    return count;
}

inline int countNear(const QImage& image, const QRect& area, const QColor& colour, int tolerance) {
    return countPixels(image, area, [&](const QColor& c) { return near(c, colour, tolerance); });
}

// The width of the drawn text in an image: columns with a pixel far from the
// background, between x0 and x1 and over rows y0 to y1.
inline int inkWidth(const QImage& image, const QColor& background, int x0, int x1, int y0, int y1) {
    int first = -1;
    int last = -1;
    for (int x = x0; x < x1; ++x) {
        for (int y = y0; y < y1; ++y) {
            if (!near(image.pixelColor(x, y), background, 60)) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// Whether a line edit shows `text` whole: drawn in the field it covers as many
// pixels as drawn freely in the same font, so no character is cut or scrolled away.
inline bool showsWhole(QLineEdit& edit, const QString& text) {
    edit.setText(text);
    const QColor background = edit.palette().color(QPalette::Base);
    const QImage field = edit.grab().toImage();
    // Inside the frame, which the style draws in the outer pixels.
    const int shown = inkWidth(field, background, 3, field.width() - 3, 3, field.height() - 3);

    const QFontMetrics metrics(edit.font());
    QImage free(metrics.horizontalAdvance(text) + 20, metrics.height() + 4, QImage::Format_RGB32);
    free.setDevicePixelRatio(field.devicePixelRatio());
    free.fill(background);
    QPainter painter(&free);
    painter.setFont(edit.font());
    painter.setPen(edit.palette().color(QPalette::Text));
    painter.drawText(10, 2 + metrics.ascent(), text);
    painter.end();
    const int whole = inkWidth(free, background, 0, free.width(), 0, free.height());
    return whole > 0 && std::abs(shown - whole) <= 1;
}

// What a user works with: buttons, fields, menus, knobs and faders.
inline bool isControl(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QComboBox*>(w) || w->inherits("Encoder") || w->inherits("Fader");
}

// The first widget around the control, up to the window, that does not hold the control
// whole (a pane scrolled elsewhere, a page narrower than its content), or none.
inline QWidget* cutBy(QWidget* control) {
    QRect r = control->rect();
    for (QWidget* w = control; !w->isWindow(); w = w->parentWidget()) {
        r.translate(w->pos());
        if (!w->parentWidget()->rect().adjusted(-1, -1, 1, 1).contains(r)) return w->parentWidget();
    }
    return nullptr;
}

// The controls a user works with that reach past the left or right edge of a widget
// around them, so part of them is cut off or needs sideways scrolling; empty when none.
inline std::string cutOffAtTheSides(QWidget& root) {
    QStringList cut;
    for (QWidget* control : root.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&root)) continue;
        if (!isControl(control)) continue;
        QRect r = control->rect();
        for (QWidget* w = control; w != &root; w = w->parentWidget()) {
            r.translate(w->pos());
            if (r.left() < 0 || r.right() >= w->parentWidget()->width()) {
                cut << QStringLiteral("%1 \"%2\" in %3")
                           .arg(QString::fromLatin1(control->metaObject()->className()),
                                control->property("text").toString(),
                                QString::fromLatin1(w->parentWidget()->metaObject()->className()));
                break;
            }
        }
    }
    return cut.join(QStringLiteral(", ")).toStdString();
}

// The widgets below `root` narrower than their text needs, so letters are cut: buttons and
// one-line labels (a label that elides draws "…" on purpose and is left out).
inline std::string cutTexts(QWidget& root) {
    QStringList cut;
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root)) continue;
        auto* label = qobject_cast<QLabel*>(w);
        const bool oneLine =
            label && !label->wordWrap() && !qobject_cast<ElidedLabel*>(w) && !label->text().isEmpty();
        if (!oneLine && !qobject_cast<QAbstractButton*>(w)) continue;
        auto* push = qobject_cast<QPushButton*>(w);
        const int needed = oneLine ? label->minimumSizeHint().width()
                           : push  ? push->fontMetrics().horizontalAdvance(push->text()) + 8
                                   : w->sizeHint().width();
        if (w->width() + 1 < needed)
            cut << QStringLiteral("%1 (%2 of %3 px)").arg(describeControl(w)).arg(w->width()).arg(needed);
    }
    return cut.join(QStringLiteral(", ")).toStdString();
}

// Pairs of controls below `root` drawn over each other, as when a layout places a panel over
// the one above it; empty when none.
inline std::string overlappingControls(QWidget& root) {
    QList<QWidget*> controls;
    for (QWidget* w : root.findChildren<QWidget*>())
        if (w->isVisibleTo(&root) && isControl(w)) controls << w;
    QStringList overlaps;
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
            const QRect ra(a->mapTo(&root, QPoint()), a->size());
            const QRect rb(b->mapTo(&root, QPoint()), b->size());
            if (ra.intersects(rb))
                overlaps << QStringLiteral("%1 over %2").arg(describeControl(a), describeControl(b));
        }
    return overlaps.join(QStringLiteral(", ")).toStdString();
}

}  // namespace kestrel_test
