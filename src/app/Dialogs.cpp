#include "app/Dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/controls/PlainText.h"

QString DesktopDialogs::chooseSaveFile(const QString& title, const QString& proposedName,
                                       const QStringList& nameFilters, const QString& defaultSuffix) {
    QFileDialog panel(m_parent, title, proposedName, nameFilters.join(QStringLiteral(";;")));
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setDefaultSuffix(defaultSuffix);
    if (panel.exec() != QDialog::Accepted) return {};
    return panel.selectedFiles().value(0);
}

QString DesktopDialogs::chooseOpenFile(const QString& title, const QStringList& nameFilters) {
    return QFileDialog::getOpenFileName(m_parent, title, QString(), nameFilters.join(QStringLiteral(";;")));
}

bool DesktopDialogs::confirm(const QString& message, const QString& informativeText,
                             const QString& acceptButton, const QString& cancelButton,
                             DefaultButton defaultButton) {
    QMessageBox box(m_parent);
    box.setIcon(QMessageBox::Warning);
    // Messages carry file names and device texts: shown as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(plaintext::asMarkup(informativeText));
    QPushButton* accept = box.addButton(acceptButton, QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(cancelButton, QMessageBox::RejectRole);
    box.setDefaultButton(defaultButton == DefaultButton::cancel ? cancel : accept);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accept;
}

void DesktopDialogs::alert(const QString& message, const QString& informativeText) {
    QMessageBox box(m_parent);
    box.setIcon(QMessageBox::Warning);
    // Messages carry file names and device texts: shown as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(plaintext::asMarkup(informativeText));
    box.addButton(QMessageBox::Ok);
    box.exec();
}

void DesktopDialogs::copyText(const QString& text) {
    QApplication::clipboard()->setText(text);
}

QString DesktopDialogs::pastedText() {
    return QApplication::clipboard()->text();
}

bool DesktopDialogs::openLink(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}
