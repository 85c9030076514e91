#pragma once

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

#include <bit>

#include "link/DSPModel.h"

namespace pagetest {

inline quint32 bits(float value) {
    return std::bit_cast<quint32>(value);
}

inline float levelWord(const DSPModel& model, quint32 number, int index) {
    return std::bit_cast<float>(model.words(number, index + 1)[index]);
}

// Replaces the field's text as a user would and presses Return.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Lets queued refreshes run, and deletes the widgets a rebuild replaced.
inline void turn() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace pagetest
