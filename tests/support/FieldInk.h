#pragma once

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace kestrel_test {

// The width of the drawn text in an image: columns with a pixel far from the
// background, between x0 and x1 and over rows y0 to y1.
inline int inkWidth(const QImage& image, QColor background, int x0, int x1, int y0, int y1) {
    int first = -1;
    int last = -1;
    for (int x = x0; x < x1; ++x) {
        for (int y = y0; y < y1; ++y) {
            const QColor c = image.pixelColor(x, y);
            const int away =
                std::max({std::abs(c.red() - background.red()), std::abs(c.green() - background.green()),
                          std::abs(c.blue() - background.blue())});
            if (away > 60) {
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

}  // namespace kestrel_test
