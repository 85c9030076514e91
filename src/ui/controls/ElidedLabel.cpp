#include "ui/controls/ElidedLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : PlainLabel(text, parent) {
    setAccessibleName(text);
    // No width of its own to ask for: the layout hands it the room that is left.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    if (text == this->text()) return;
    PlainLabel::setText(text);
    setAccessibleName(text);
    updateToolTip();
    update();
}

void ElidedLabel::setLineCount(int lines) {
    lines_ = std::max(1, lines);
    updateGeometry();
    updateToolTip();
}

QStringList ElidedLabel::shownLines(bool* cut) const {
    const QString text = plaintext::oneLine(this->text());
    const int width = contentsRect().width();
    QStringList shown;
    // Every line but the last is filled word by word; the last takes the rest, cut to fit.
    qsizetype next = 0;
    if (lines_ > 1) {
        QTextLayout layout(text, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && shown.size() < lines_ - 1;
             line = layout.createLine()) {
            line.setLineWidth(width);
            shown.append(text.mid(line.textStart(), line.textLength()).trimmed());
            next = line.textStart() + line.textLength();
        }
        layout.endLayout();
    }
    const QString rest = text.mid(next).trimmed();
    const QString last = fontMetrics().elidedText(rest, Qt::ElideRight, width);
    if (cut) *cut = last != rest;
    if (!last.isEmpty() || shown.isEmpty()) shown.append(last);
    return shown;
}

QString ElidedLabel::shownText() const {
    return shownLines().join(QLatin1Char('\n'));
}

QSize ElidedLabel::sizeHint() const {
    // The text's exact width, rounded up: a width rounded down cuts the last letter.
    const QMargins margins = contentsMargins();
    const int text =
        int(std::ceil(QFontMetricsF(font()).horizontalAdvance(plaintext::oneLine(this->text()))));
    return {text + margins.left() + margins.right(),
            lines_ * fontMetrics().lineSpacing() + margins.top() + margins.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect line = contentsRect();
    line.setHeight(fontMetrics().lineSpacing());
    for (const QString& shown : shownLines()) {
        style()->drawItemText(&painter, line, int(alignment()) | Qt::TextSingleLine, palette(), isEnabled(),
                              shown, foregroundRole());
        line.translate(0, line.height());
    }
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    PlainLabel::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::updateToolTip() {
    bool cut = false;
    shownLines(&cut);
    setToolTip(cut ? text() : QString());
}
