#pragma once

#include <functional>

#include "ui/Dialogs.h"

// The dialog seam as the pages see it: it hands every call to the window's own seam and
// knows while one of them is open. A modal dialog runs a nested event loop, and the page
// that opened it resumes when it closes; the page host therefore keeps every page alive
// while a dialog is open and lets go of replaced pages only after the last one closed.
class PageDialogs : public Dialogs {
public:
    explicit PageDialogs(Dialogs& inner) : m_inner(inner) {}

    bool isOpen() const { return m_open > 0; }
    // Called when the last open dialog has closed, before its caller resumes.
    std::function<void()> onAllClosed;

    QString chooseSaveFile(const QString& title, const QString& proposedName, const QStringList& nameFilters,
                           const QString& defaultSuffix = {}) override;
    QString chooseOpenFile(const QString& title, const QStringList& nameFilters) override;
    bool confirm(const LiveText& message, const LiveText& informativeText, const QString& acceptButton,
                 const QString& cancelButton, DefaultButton defaultButton = DefaultButton::accept) override;
    void alert(const QString& message, const QString& informativeText) override;
    void copyText(const QString& text) override { m_inner.copyText(text); }
    QString pastedText() override { return m_inner.pastedText(); }
    bool openLink(const QUrl& url) override { return m_inner.openLink(url); }

private:
    template <typename Call>
    auto whileOpen(Call call);

    Dialogs& m_inner;
    int m_open = 0;
};
