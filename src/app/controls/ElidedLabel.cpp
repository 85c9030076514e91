#include "app/controls/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : PlainLabel(text, parent) {
    setAccessibleName(text);
    // No width of its own to ask for: the layout hands it the room that is left.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(plaintext::oneLine(text()), Qt::ElideRight, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), shownText(), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    PlainLabel::resizeEvent(event);
    setToolTip(shownText() == text() ? QString() : text());
}
