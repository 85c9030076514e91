#include "app/controls/ReadState.h"

#include <QWidget>

QString notReadText() {
    return QStringLiteral("Not read");
}

namespace {

constexpr char unreadProperty[] = "shownUnread";

}  // namespace

void showReadState(QWidget& control, bool read) {
    if (shownUnread(control) == !read) return;
    control.setProperty(unreadProperty, !read);
    // The description a tool reads beside the name; the hint (tool tip) stands for it again once read.
    control.setAccessibleDescription(read ? QString() : notReadText());
}

bool shownUnread(const QWidget& control) {
    return control.property(unreadProperty).toBool();
}

void enableIfRead(std::initializer_list<QWidget*> controls, bool read) {
    for (QWidget* control : controls) {
        control->setEnabled(read);
        showReadState(*control, read);
    }
}
