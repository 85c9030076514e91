#pragma once

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <cstdlib>
#include <functional>

#include "support/Spin.h"
#include "support/WidgetTesting.h"

namespace kestrel_test {

// What a real question (the desktop's message box) did while its texts moved on: its buttons'
// places on screen as it opened and once its texts had changed, and what a click at the first
// place of one of them hit.
struct QuestionPlaces {
    QStringList textsBefore, textsAfter;  // every label's text
    QList<QRect> before, after;           // each button, in screen coordinates
    QSize sizeBefore, sizeAfter;
    QMessageBox::ButtonRole hit = QMessageBox::InvalidRole;  // the role of the button clicked

    // Every button within a pixel of where it first was.
    bool buttonsStayed() const {
        if (before.size() != after.size() || before.isEmpty()) return false;
        for (qsizetype i = 0; i < before.size(); ++i)
            if (std::abs(before[i].x() - after[i].x()) > 1 || std::abs(before[i].y() - after[i].y()) > 1 ||
                before[i].size() != after[i].size())
                return false;
        return true;
    }
};

inline QStringList questionTexts(const QMessageBox& box) {
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>()) {
        const QString text = label->textFormat() == Qt::PlainText
                                 ? label->text()
                                 : QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        if (!text.trimmed().isEmpty()) texts.append(text);
    }
    return texts;
}

inline QList<QRect> buttonPlaces(const QMessageBox& box) {
    QList<QRect> places;
    for (const QAbstractButton* button : box.buttons())
        places.append(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
    return places;
}

// `ask` opens a question, at once or from the event loop. Once it is on screen, `change` moves
// its texts on until `changed` holds; then the mouse clicks where the button of role `press`
// first was. `shot` names the pictures of the question before and after.
inline QuestionPlaces watchQuestion(const std::function<void()>& ask, const std::function<void()>& change,
                                    const std::function<bool()>& changed, QMessageBox::ButtonRole press,
                                    const QString& shot) {
    QuestionPlaces places;
    bool done = false;
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, [&] {
        QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        look.stop();
        places.textsBefore = questionTexts(*box);
        places.before = buttonPlaces(*box);
        places.sizeBefore = box->size();
        saveScreenshot(*box, shot + QStringLiteral("-before"));
        QRect pressed;
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == press)
                pressed = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
        change();
        spinUntil(changed, 20);
        QCoreApplication::processEvents();
        if (!box) return;
        places.textsAfter = questionTexts(*box);
        places.after = buttonPlaces(*box);
        places.sizeAfter = box->size();
        saveScreenshot(*box, shot + QStringLiteral("-after"));
        QWidget* at = box->childAt(box->mapFromGlobal(pressed.center()));
        if (auto* button = qobject_cast<QAbstractButton*>(at)) {
            places.hit = box->buttonRole(button);
            QTest::mouseClick(button, Qt::LeftButton, {}, button->mapFromGlobal(pressed.center()));
        }
        if (box && box->isVisible()) box->reject();  // a click that hit nothing ends it too
        done = true;
    });
    look.start();
    ask();
    spinUntil([&] { return done; }, 30);
    return places;
}

}  // namespace kestrel_test
