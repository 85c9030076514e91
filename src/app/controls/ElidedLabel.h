#pragma once

#include "app/controls/PlainText.h"

// One line of plain text that takes the width its layout gives it and, where that is too
// little, ends in "…". Its text stays whole: that is its spoken name, and its tool tip
// while the line is cut.
class ElidedLabel : public PlainLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    // The text as drawn at the present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
