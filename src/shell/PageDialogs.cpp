#include "shell/PageDialogs.h"

template <typename Call>
auto PageDialogs::whileOpen(Call call) {
    struct Open {
        PageDialogs& dialogs;
        explicit Open(PageDialogs& d) : dialogs(d) { ++dialogs.m_open; }
        ~Open() {
            if (--dialogs.m_open == 0 && dialogs.onAllClosed) dialogs.onAllClosed();
        }
    } open(*this);
    return call();
}

QString PageDialogs::chooseSaveFile(const QString& title, const QString& proposedName,
                                    const QStringList& nameFilters, const QString& defaultSuffix) {
    return whileOpen([&] { return m_inner.chooseSaveFile(title, proposedName, nameFilters, defaultSuffix); });
}

QString PageDialogs::chooseOpenFile(const QString& title, const QStringList& nameFilters) {
    return whileOpen([&] { return m_inner.chooseOpenFile(title, nameFilters); });
}

bool PageDialogs::confirm(const LiveText& message, const LiveText& informativeText,
                          const QString& acceptButton, const QString& cancelButton,
                          DefaultButton defaultButton) {
    return whileOpen(
        [&] { return m_inner.confirm(message, informativeText, acceptButton, cancelButton, defaultButton); });
}

void PageDialogs::alert(const QString& message, const QString& informativeText) {
    whileOpen([&] { m_inner.alert(message, informativeText); });
}
