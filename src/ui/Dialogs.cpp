#include "ui/Dialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

#include <algorithm>

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

// A question whose texts may move on while it is open. A message box fits itself to its texts
// each time they change, which moves the buttons under the pointer. This one sets its labels
// itself once it shows: each label keeps room for the longest text it may show, the box keeps its
// size, and a text that needs more room still grows the box upward, so the buttons stay put.
class SteadyQuestion : public QMessageBox {
public:
    SteadyQuestion(QWidget* parent, const Dialogs::LiveText& message, const Dialogs::LiveText& informative)
        : QMessageBox(parent), m_message(message), m_informative(informative) {
        setIcon(QMessageBox::Warning);
        // Messages carry file names and device texts: shown as written, never as markup.
        setTextFormat(Qt::PlainText);
        setText(message.text());
        setInformativeText(informativeMarkup());
        message.follow(this, [this] { retext(true); });
        informative.follow(this, [this] { retext(false); });
    }

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // fits the box to the texts it opens with
        m_label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        m_informativeLabel = findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        layout()->activate();
        QStringList informativeTexts;
        for (const QString& text : m_informative.texts()) informativeTexts.append(plaintext::asMarkup(text));
        keepRoom(m_label, m_message.texts());
        keepRoom(m_informativeLabel, informativeTexts);
        // Without the labels it knows, the box goes on fitting itself to its texts.
        m_steady = m_label != nullptr;
        if (m_steady) growUpward(false);
    }

    bool event(QEvent* event) override {
        // The message box refits itself on every layout request; once steady, only the layout
        // itself follows the labels, within the size the box has.
        if (m_steady && event->type() == QEvent::LayoutRequest) return QDialog::event(event);
        return QMessageBox::event(event);
    }

private:
    // Wraps the label within its width and gives it the height of the tallest of `texts`.
    static void keepRoom(QLabel* label, const QStringList& texts) {
        if (!label) return;
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        const QString shown = label->text();
        int room = label->height();
        for (const QString& text : texts) {
            label->setText(text);
            room = std::max(room, label->heightForWidth(label->width()));
        }
        label->setText(shown);
        label->setMinimumHeight(room);
    }

    // An informative text that may come later needs its label from the start.
    QString informativeMarkup() const {
        const QString text = m_informative.text();
        return text.isEmpty() && m_informative.moves() ? QStringLiteral(" ") : plaintext::asMarkup(text);
    }

    void retext(bool message) {
        QLabel* label = message ? m_label : m_informativeLabel;
        if (!m_steady || !label) {
            // Not on screen yet: the box fits itself to the text as it opens.
            if (message)
                setText(m_message.text());
            else
                setInformativeText(informativeMarkup());
            return;
        }
        label->setText(message ? m_message.text() : plaintext::asMarkup(m_informative.text()));
        label->setMinimumHeight(std::max(label->minimumHeight(), label->heightForWidth(label->width())));
        growUpward(true);
    }

    // Gives the box the height its labels now need, never less; the growth goes above, where
    // no button is, once the box is on screen.
    void growUpward(bool placed) {
        QLayout* grid = layout();
        const int needed = std::max(grid->hasHeightForWidth() ? grid->totalHeightForWidth(width()) : 0,
                                    grid->totalMinimumSize().height());
        const int growth = needed - height();
        if (growth > 0) {
            setFixedSize(width(), needed);
            if (placed) move(pos() - QPoint(0, growth));
        }
        grid->activate();
    }

    Dialogs::LiveText m_message;
    Dialogs::LiveText m_informative;
    QLabel* m_label = nullptr;
    QLabel* m_informativeLabel = nullptr;
    bool m_steady = false;
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
    SteadyQuestion box(m_parent, message, informativeText);
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
