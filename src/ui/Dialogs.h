#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

// Every modal panel, alert, clipboard access and link the application uses
// goes through this seam, so tests answer them without blocking on a modal.
class Dialogs {
public:
    // Which button of a confirmation Return presses. Where the confirming
    // button loses data, Return must not be the way to it.
    enum class DefaultButton { accept, cancel };

    // A message that may move on while its dialog is open, as the count of a send running
    // behind a question does. A plain text never moves.
    class LiveText {
    public:
        LiveText(const QString& text) : m_text([text] { return text; }) {}
        LiveText(const char* text) : LiveText(QString::fromUtf8(text)) {}
        // The text `text` gives, again each time `source` emits `moved`.
        template <typename Source, typename Signal>
        LiveText(const Source* source, Signal moved, std::function<QString()> text)
            : m_text(std::move(text)),
              m_follow([source, moved](QObject* receiver, std::function<void()> call) {
                  QObject::connect(source, moved, receiver, std::move(call));
              }) {}

        QString text() const { return m_text(); }
        // Whether the text may move on at all.
        bool moves() const { return bool(m_follow); }
        // Calls `changed` whenever the text may have moved on, for as long as `receiver` lives.
        void follow(QObject* receiver, std::function<void()> changed) const {
            if (m_follow) m_follow(receiver, std::move(changed));
        }
        // The same text, which may also come to show `texts`: the question keeps room for the
        // longest of them from the start, so none moves its buttons when it comes.
        LiveText alsoShowing(const QStringList& texts) const {
            LiveText shown = *this;
            shown.m_alternatives += texts;
            return shown;
        }
        // The present text and every other one it may show.
        QStringList texts() const { return QStringList{text()} + m_alternatives; }

    private:
        std::function<QString()> m_text;
        std::function<void(QObject*, std::function<void()>)> m_follow;
        QStringList m_alternatives;
    };

    virtual ~Dialogs() = default;

    // Runs `ask` from the event loop, after the menu, button, shortcut or event handler that
    // calls this has returned, and only while `context` lives. A modal question runs an event
    // loop of its own: opened inside such a handler, it lets that loop destroy the handler's
    // sender (a menu rebuilt when a send ends) and the handler then returns into freed objects.
    // Whatever `ask` acts on after a question it looks up again, as it is at the answer.
    template <typename Ask>
    static void askLater(QObject* context, Ask ask) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [context = QPointer<QObject>(context), ask = std::move(ask)]() mutable {
                if (context) ask();
            },
            Qt::QueuedConnection);
    }

    // The path with ".<defaultSuffix>" added unless its name already ends in an extension one
    // of the filters offers: "Friday show 7.12" is no project file yet, and the open panel's
    // filter would not list it.
    static QString withOfferedExtension(const QString& path, const QStringList& nameFilters,
                                        const QString& defaultSuffix);

    // A save panel proposing a file name; the chosen path, or empty when cancelled. A typed
    // name gets the default suffix (withOfferedExtension), before the panel asks about
    // replacing a file of that name.
    virtual QString chooseSaveFile(const QString& title, const QString& proposedName,
                                   const QStringList& nameFilters, const QString& defaultSuffix = {}) = 0;
    // An open panel for one file; the chosen path, or empty when cancelled.
    virtual QString chooseOpenFile(const QString& title, const QStringList& nameFilters) = 0;
    // An alert with a message and an informative text and two buttons; true
    // when the user chose the first one. Closing the alert cancels. Both texts may move on
    // while it is open: one that becomes empty leaves its room blank, and the buttons stay
    // where they are.
    virtual bool confirm(const LiveText& message, const LiveText& informativeText,
                         const QString& acceptButton, const QString& cancelButton,
                         DefaultButton defaultButton = DefaultButton::accept) = 0;
    // An alert with a message and an informative text and one button.
    virtual void alert(const QString& message, const QString& informativeText) = 0;

    virtual void copyText(const QString& text) = 0;
    virtual QString pastedText() = 0;
    // Opens a web or mail link with the desktop's default program.
    virtual bool openLink(const QUrl& url) = 0;
};

// The real panels, alerts, clipboard and links of the desktop. The file panels are Qt's
// own and tell a file's icon and type from its name: they never read a file to show it.
class DesktopDialogs : public Dialogs {
public:
    // Panels and alerts are modal to this window (may be null).
    void setParentWindow(QWidget* window) { m_parent = window; }

    QString chooseSaveFile(const QString& title, const QString& proposedName, const QStringList& nameFilters,
                           const QString& defaultSuffix = {}) override;
    QString chooseOpenFile(const QString& title, const QStringList& nameFilters) override;
    bool confirm(const LiveText& message, const LiveText& informativeText, const QString& acceptButton,
                 const QString& cancelButton, DefaultButton defaultButton = DefaultButton::accept) override;
    void alert(const QString& message, const QString& informativeText) override;
    void copyText(const QString& text) override;
    QString pastedText() override;
    bool openLink(const QUrl& url) override;

private:
    QWidget* m_parent = nullptr;
};
