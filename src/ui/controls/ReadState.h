#pragma once

#include <QString>
#include <initializer_list>

class QWidget;

// What a control that shows a setting never read says beside its name.
QString notReadText();

// A control showing a setting the device never reported tells assistive tools no value and
// says "Not read" in its description, as its face shows no setting. Views call this on every
// refresh; the knob, fader, slider and number field call it themselves when told unknown.
void showReadState(QWidget& control, bool read);
bool shownUnread(const QWidget& control);

// Why a control shows no setting when the device sent one the window cannot hold (empty when
// it was never sent): its tool tip and its description name it, so eye and ear learn the same
// reason. The control's own tool tip comes back once there is no reason left.
void showUnreadReason(QWidget& control, const QString& why);
// What a control showing no setting says about it: "Not read", or why a word the device sent
// shows as no setting.
QString unreadDescription(const QWidget& control);
// The control's tool tip without the reason: its own hint, what it does.
QString ownToolTip(const QWidget& control);

// Controls that edit settings never read take nothing: drawn disabled and told "Not read",
// with the reason when the device sent words they cannot hold.
void enableIfRead(std::initializer_list<QWidget*> controls, bool read, const QString& why = QString());
