#pragma once

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <functional>

#include "support/Spin.h"

namespace kestrel_test {

// A real question (the desktop's message box) as it opened and once its texts had moved on:
// its label texts, its buttons' places on screen and its size; and the role of the button a click
// at the first place of one of them hit.
struct QuestionPlaces {
    struct Look {
        QStringList texts;
        QList<QRect> buttons;
        QSize size;
    };
    Look before, after;
    QMessageBox::ButtonRole hit = QMessageBox::InvalidRole;

    // Same size, and every button within a pixel of where it first was.
    bool steady() const {
        if (before.size != after.size || before.buttons.size() != after.buttons.size()) return false;
        for (qsizetype i = 0; i < before.buttons.size(); ++i)
            if ((before.buttons[i].topLeft() - after.buttons[i].topLeft()).manhattanLength() > 1)
                return false;
        return true;
    }
};

inline QuestionPlaces::Look lookAt(const QMessageBox& box) {
    QuestionPlaces::Look look{{}, {}, box.size()};
    for (const QLabel* label : box.findChildren<QLabel*>()) {
        const QString text = label->textFormat() == Qt::PlainText
                                 ? label->text()
                                 : QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        if (!text.trimmed().isEmpty()) look.texts.append(text);
    }
    for (const QAbstractButton* button : box.buttons())
        look.buttons.append(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
    return look;
}

// `ask` opens a question, at once or from the event loop. Once it is on screen, `change` moves
// its texts on until `changed` holds; then the mouse clicks where the button of role `press`
// first was.
inline QuestionPlaces watchQuestion(const std::function<void()>& ask, const std::function<void()>& change,
                                    const std::function<bool()>& changed, QMessageBox::ButtonRole press) {
    QuestionPlaces places;
    bool done = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        look.stop();
        places.before = lookAt(*box);
        QPoint pressed;
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == press) pressed = button->mapToGlobal(button->rect().center());
        change();
        spinUntil(changed, 20);
        QCoreApplication::processEvents();
        places.after = lookAt(*box);
        if (auto* button = qobject_cast<QAbstractButton*>(box->childAt(box->mapFromGlobal(pressed)))) {
            places.hit = box->buttonRole(button);
            QTest::mouseClick(button, Qt::LeftButton, {}, button->mapFromGlobal(pressed));
        }
        if (box && box->isVisible()) box->reject();  // a click that hit nothing ends it too
        done = true;
    });
    look.start(10);
    ask();
    spinUntil([&] { return done; }, 30);
    return places;
}

}  // namespace kestrel_test
