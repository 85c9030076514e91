#pragma once

#include <QComboBox>

// A pop-up picker that assistive tools know by its caption. Qt names a combo box on Linux
// by its current choice, so "Matrix Mixer" or "1" would stand where "Control" or "Channel"
// belongs; here the name is the caption and the choice is the value.
class CaptionedComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CaptionedComboBox(const QString& caption, QWidget* parent = nullptr);
};
