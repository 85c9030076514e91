#pragma once

#include <gtest/gtest.h>
#include <QPushButton>

namespace kestrel_test {

// The `which`-th push button below `parent` showing `text`, in creation order.
inline QPushButton* buttonNamed(QWidget& parent, const QString& text, int which = 0) {
    for (QPushButton* button : parent.findChildren<QPushButton*>())
        if (button->text() == text && which-- == 0) return button;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

}  // namespace kestrel_test
