#pragma once

#include <QFileInfo>
#include <QQueue>

#include <functional>
#include <utility>

#include "ui/Dialogs.h"

namespace kestrel_test {

// Answers the dialog seam from queued answers and records what was asked.
// An empty queue answers "cancel".
class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        QString kind;  // "save", "open", "confirm", "alert", "link"
        QString title;
        QString text;
        // For confirmations: the button Return would press.
        DefaultButton defaultButton = DefaultButton::accept;
        // For file panels: the name filters offered.
        QStringList nameFilters = {};
    };

    QQueue<QString> fileAnswers;
    QQueue<bool> confirmAnswers;
    QString clipboard;
    QList<Asked> asked;
    // Runs once inside the next panel, confirmation or alert, before it answers: whatever
    // happens while a real modal dialog's own event loop runs.
    std::function<void()> whileOpen;

    // Like the desktop's panel, adds the default suffix to an answer without an offered extension.
    QString chooseSaveFile(const QString& title, const QString& proposedName, const QStringList& nameFilters,
                           const QString& defaultSuffix = {}) override {
        asked.append({QStringLiteral("save"), title, proposedName, DefaultButton::accept, nameFilters});
        runWhileOpen();
        const QString answer = fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
        return withOfferedExtension(answer, nameFilters, defaultSuffix);
    }
    QString chooseOpenFile(const QString& title, const QStringList& nameFilters) override {
        asked.append({QStringLiteral("open"), title, QString(), DefaultButton::accept, nameFilters});
        runWhileOpen();
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    // A message that moves on while the confirmation is open moves on in `asked` too.
    bool confirm(const LiveText& message, const LiveText& informativeText, const QString&, const QString&,
                 DefaultButton defaultButton = DefaultButton::accept) override {
        asked.append({QStringLiteral("confirm"), message.text(), informativeText.text(), defaultButton});
        QObject open;
        message.follow(&open, [this, &message, index = asked.size() - 1] {
            if (index < asked.size()) asked[index].title = message.text();
        });
        informativeText.follow(&open, [this, &informativeText, index = asked.size() - 1] {
            if (index < asked.size()) asked[index].text = informativeText.text();
        });
        runWhileOpen();
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    void alert(const QString& message, const QString& informativeText) override {
        asked.append({QStringLiteral("alert"), message, informativeText});
        runWhileOpen();
    }
    void copyText(const QString& text) override { clipboard = text; }
    QString pastedText() override { return clipboard; }
    bool openLink(const QUrl& url) override {
        asked.append({QStringLiteral("link"), QString(), url.toString()});
        return true;
    }

private:
    void runWhileOpen() {
        if (!whileOpen) return;
        const std::function<void()> run = std::exchange(whileOpen, nullptr);
        run();
    }
};

}  // namespace kestrel_test
