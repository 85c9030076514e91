#include "ui/controls/ReadState.h"

#include <QWidget>

QString notReadText() {
    return QStringLiteral("Not read");
}

namespace {

constexpr char unreadProperty[] = "shownUnread";
constexpr char reasonProperty[] = "unreadReason";
constexpr char ownToolTipProperty[] = "ownToolTip";
constexpr char shownToolTipProperty[] = "shownToolTip";

QString reasonOf(const QWidget& control) {
    return control.property(reasonProperty).toString();
}

void describe(QWidget& control) {
    // The description a tool reads beside the name; the hint (tool tip) stands for it again once read.
    control.setAccessibleDescription(shownUnread(control) ? unreadDescription(control) : QString());
}

}  // namespace

void showReadState(QWidget& control, bool read) {
    if (shownUnread(control) == !read) return;
    control.setProperty(unreadProperty, !read);
    if (read) showUnreadReason(control, QString());
    describe(control);
}

bool shownUnread(const QWidget& control) {
    return control.property(unreadProperty).toBool();
}

QString ownToolTip(const QWidget& control) {
    // A tip set since the reason was added is the control's own hint, set anew by its view.
    const QVariant shown = control.property(shownToolTipProperty);
    return shown.isValid() && shown.toString() == control.toolTip()
               ? control.property(ownToolTipProperty).toString()
               : control.toolTip();
}

void showUnreadReason(QWidget& control, const QString& why) {
    const QString own = ownToolTip(control);
    control.setProperty(reasonProperty, why.isEmpty() ? QVariant() : QVariant(why));
    const QString tip = why.isEmpty() ? own : own.isEmpty() ? why : own + QLatin1Char('\n') + why;
    control.setProperty(ownToolTipProperty, why.isEmpty() ? QVariant() : QVariant(own));
    control.setProperty(shownToolTipProperty, why.isEmpty() ? QVariant() : QVariant(tip));
    if (control.toolTip() != tip) control.setToolTip(tip);
    describe(control);
}

QString unreadDescription(const QWidget& control) {
    // A word the device did send was read: the reason tells what became of it.
    const QString why = reasonOf(control);
    return why.isEmpty() ? notReadText() : why;
}

void enableIfRead(std::initializer_list<QWidget*> controls, bool read, const QString& why) {
    for (QWidget* control : controls) {
        control->setEnabled(read);
        showReadState(*control, read);
        // A knob with its field, or a field, shows the setting in a part of its own, which
        // marks itself unread when told unknown: that part says why as well.
        showUnreadReason(*control, read ? QString() : why);
        for (QWidget* part : control->findChildren<QWidget*>())
            if (shownUnread(*part)) showUnreadReason(*part, read ? QString() : why);
    }
}
