#include "ui/Dialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

#include "ui/controls/PlainText.h"

namespace {

// Icons and type names told from a file's name and kind alone. The stock provider guesses
// the type of a file whose name leaves it open from the file's first bytes, on the main
// thread when the user types a path: reading /proc/kmsg, a hung network mount or a device
// node then blocks the window for good.
class NameOnlyIconProvider : public QAbstractFileIconProvider {
public:
    using QAbstractFileIconProvider::icon;

    QIcon icon(const QFileInfo& info) const override {
        if (info.isRoot()) return icon(Drive);
        if (info.isDir()) return icon(Folder);
        const QIcon themed = QIcon::fromTheme(typeByName(info).iconName());
        return themed.isNull() ? icon(File) : themed;
    }

    // Without an icon theme the base gives null icons, which the panel's places list scales
    // with a warning each time a panel opens: the style's own icons stand in.
    QIcon icon(IconType type) const override {
        const QIcon themed = QAbstractFileIconProvider::icon(type);
        return themed.isNull() ? QApplication::style()->standardIcon(standardPixmap(type)) : themed;
    }

    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("Folder");
        const QMimeType type = typeByName(info);
        return type.comment().isEmpty() ? type.name() : type.comment();
    }

private:
    static QStyle::StandardPixmap standardPixmap(IconType type) {
        switch (type) {
            case Computer:
                return QStyle::SP_ComputerIcon;
            case Desktop:
                return QStyle::SP_DesktopIcon;
            case Trashcan:
                return QStyle::SP_TrashIcon;
            case Network:
                return QStyle::SP_DriveNetIcon;
            case Drive:
                return QStyle::SP_DriveHDIcon;
            case Folder:
                return QStyle::SP_DirIcon;
            case File:
                break;
        }
        return QStyle::SP_FileIcon;
    }

    // The file-name overload with MatchExtension neither opens nor even stats the file.
    QMimeType typeByName(const QFileInfo& info) const {
        return m_types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }

    QMimeDatabase m_types;
};

// Qt's own panel, never the desktop's: only in Qt's panel do icons and types come from the
// provider above. It is set first thing after construction; the start folder may already be
// listing by then, but in the model's own thread, never on the window's.
void prepare(QFileDialog& panel, const QString& title, const QStringList& nameFilters) {
    static NameOnlyIconProvider icons;
    panel.setOption(QFileDialog::DontUseNativeDialog);
    panel.setIconProvider(&icons);
    panel.setWindowTitle(title);
    panel.setNameFilters(nameFilters);
}

// Adds the extension as the user accepts a typed name, so the panel's question about
// replacing a file asks about the file that will be written.
class SavePanel : public QFileDialog {
public:
    SavePanel(QWidget* parent, QStringList nameFilters, QString defaultSuffix)
        : QFileDialog(parent),
          m_nameFilters(std::move(nameFilters)),
          m_defaultSuffix(std::move(defaultSuffix)) {}

    void accept() override {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (field && !QFileInfo(directory().filePath(field->text())).isDir())
            field->setText(Dialogs::withOfferedExtension(field->text(), m_nameFilters, m_defaultSuffix));
        QFileDialog::accept();
    }

private:
    QStringList m_nameFilters;
    QString m_defaultSuffix;
};

QString chosenFile(QFileDialog& panel) {
    if (panel.exec() != QDialog::Accepted) return {};
    return panel.selectedFiles().value(0);
}

}  // namespace

QString Dialogs::withOfferedExtension(const QString& path, const QStringList& nameFilters,
                                      const QString& defaultSuffix) {
    if (path.isEmpty() || defaultSuffix.isEmpty()) return path;
    static const QRegularExpression offered(QStringLiteral("\\*(\\.[^\\s)*]+)"));
    for (const QString& filter : nameFilters)
        for (const QRegularExpressionMatch& match : offered.globalMatch(filter))
            if (path.endsWith(match.captured(1), Qt::CaseInsensitive)) return path;
    return path + QLatin1Char('.') + defaultSuffix;
}

QString DesktopDialogs::chooseSaveFile(const QString& title, const QString& proposedName,
                                       const QStringList& nameFilters, const QString& defaultSuffix) {
    SavePanel panel(m_parent, nameFilters, defaultSuffix);
    prepare(panel, title, nameFilters);
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.selectFile(proposedName);
    return chosenFile(panel);
}

QString DesktopDialogs::chooseOpenFile(const QString& title, const QStringList& nameFilters) {
    QFileDialog panel(m_parent);
    prepare(panel, title, nameFilters);
    panel.setFileMode(QFileDialog::ExistingFile);
    return chosenFile(panel);
}

bool DesktopDialogs::confirm(const LiveText& message, const LiveText& informativeText,
                             const QString& acceptButton, const QString& cancelButton,
                             DefaultButton defaultButton) {
    QMessageBox box(m_parent);
    box.setIcon(QMessageBox::Warning);
    // Messages carry file names and device texts: shown as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message.text());
    message.follow(&box, [&box, &message] { box.setText(message.text()); });
    box.setInformativeText(plaintext::asMarkup(informativeText.text()));
    informativeText.follow(&box, [&box, &informativeText] {
        box.setInformativeText(plaintext::asMarkup(informativeText.text()));
    });
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
