#pragma once

#include "ui/controls/PlainText.h"

// Plain text on a set number of lines (one unless told) that takes the width its layout
// gives it and, where that is too little, ends in "…". Its height is that of its lines
// whatever the text, so a text coming, going or growing moves nothing around it. Its text
// stays whole: that is its spoken name, and its tool tip while the text is cut. Control
// characters are drawn as marks, a line break too.
class ElidedLabel : public PlainLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    // Hides QLabel::setText so the spoken name and the tool tip follow the text.
    void setText(const QString& text);
    void setLineCount(int lines);

    // The text as drawn at the present width, its lines joined by "\n".
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Whether the text had to be cut to fit goes to cut.
    QStringList shownLines(bool* cut = nullptr) const;
    void updateToolTip();

    int lines_ = 1;
};
