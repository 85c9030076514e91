#include "shell/ProjectCommands.h"

#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <QUrlQuery>

#include <memory>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "platform/UserFile.h"
#include "shell/ProductSettings.h"
#include "ui/DeviceMoments.h"
#include "ui/DeviceWork.h"
#include "ui/Dialogs.h"
#include "ui/controls/PlainText.h"

QString ProjectCommands::baseName() const {
    const DSPConnection::Status& status = m_model.link().status();
    if (status.isConnected()) return status.text();
    return m_model.demo() ? QStringLiteral("Demo") : QStringLiteral("KestrelD");
}

QString ProjectCommands::proposedFileName(const QString& baseName, const QDate& date) {
    const QLocale locale;
    // Year, abbreviated month and day, in the order the user's locale writes dates.
    const bool monthFirst = locale.dateFormat(QLocale::ShortFormat).indexOf(QLatin1Char('M')) <
                            locale.dateFormat(QLocale::ShortFormat).indexOf(QLatin1Char('d'));
    const QString day =
        locale.toString(date, monthFirst ? QStringLiteral("MMM d, yyyy") : QStringLiteral("d MMM yyyy"));
    return userfile::safeFileName(baseName + QLatin1Char(' ') + day + QStringLiteral(".tsldsp"));
}

QString ProjectCommands::incompleteText(int unread, int invalid) {
    const int all = int(ParamMap::allParameters().size());
    QStringList sentences;
    if (unread == 1) sentences << QStringLiteral("1 of %1 settings was not read from the DSP.").arg(all);
    if (unread > 1)
        sentences << QStringLiteral("%1 of %2 settings were not read from the DSP.").arg(unread).arg(all);
    if (invalid == 1)
        sentences << QStringLiteral(
            "1 setting holds a value the DSP reported but that isn't valid; it is left out.");
    if (invalid > 1)
        sentences << QStringLiteral(
                         "%1 settings hold values the DSP reported but that aren't valid; they are left out.")
                         .arg(invalid);
    const int leftOut = unread + invalid;
    if (leftOut == 1)
        sentences << QStringLiteral(
                         "The project will hold the other %1; opening it later leaves that one as the device "
                         "has it.")
                         .arg(all - leftOut);
    else
        sentences << QStringLiteral(
                         "The project will hold the other %1; opening it later leaves those %2 as the device "
                         "has them.")
                         .arg(all - leftOut)
                         .arg(leftOut);
    return sentences.join(QLatin1Char(' '));
}

const QStringList& ProjectCommands::nameFilters() {
    static const QStringList filters = {QStringLiteral("Tessaline DSP Control project (*.tsldsp)"),
                                        QStringLiteral("JSON (*.json)")};
    return filters;
}

bool ProjectCommands::projectFilesAvailable() const {
    return !m_model.loading().has_value();
}

void ProjectCommands::saveProject() {
    if (!projectFilesAvailable()) return;
    // The file holds only what the table holds: a setting the device never answered is left
    // out, and opening the project later leaves it alone; so is one whose reported words no
    // project may hold. A table with nothing in it at all is no incomplete read-back, so it
    // saves as an empty project without asking.
    // It saves the device in front of the window as the user asked: once another took its place
    // (or the link went), the answer saves nothing.
    const AskedAt asked(m_model);
    const int unread = m_model.unreadCount();
    const int invalid = m_model.invalidCount();
    const bool partial = unread > 0 && unread < int(ParamMap::allParameters().size());
    if ((partial || invalid > 0) &&
        !m_dialogs.confirm(incompleteText(unread, invalid), asked.consequence(QString()),
                           QStringLiteral("Save"), QStringLiteral("Cancel"), Dialogs::DefaultButton::cancel))
        return;
    const QString base = baseName();
    // A name typed without the extension gets it: the open panel's filter would hide the file.
    const QString path =
        m_dialogs.chooseSaveFile(QStringLiteral("Save Project"), proposedFileName(base, QDate::currentDate()),
                                 nameFilters(), QStringLiteral("tsldsp"));
    if (path.isEmpty()) return;
    if (toldEnded(asked, QStringLiteral("The project couldn't be saved."))) return;
    if (const auto error = m_model.saveProject(path, base))
        m_dialogs.alert(QStringLiteral("The project couldn't be saved."), *error);
}

void ProjectCommands::openProject() {
    if (!projectFilesAvailable()) return;
    // The project goes to the device in front of the window as the panel opened: chosen after
    // another device came up (or the demo device gave way to one), it goes nowhere.
    const AskedAt asked(m_model);
    const QString path = m_dialogs.chooseOpenFile(QStringLiteral("Open Project"), nameFilters());
    if (path.isEmpty()) return;
    if (toldEnded(asked, QStringLiteral("The project couldn't be opened."))) return;
    // Refused with an alert before anything is read: not a regular file, or far too large.
    QString error;
    const std::optional<QByteArray> read = DSPModel::readProjectFile(path, &error);
    if (!read) {
        m_dialogs.alert(QStringLiteral("The project couldn't be opened."), error);
        return;
    }
    // A file that is no project is refused before anything changes, demo device included.
    if (!DSPModel::decodeProject(*read, &error)) {
        m_dialogs.alert(QStringLiteral("The project couldn't be opened."), error);
        return;
    }
    const QString name = plaintext::oneLine(QFileInfo(path).completeBaseName());
    // Chosen while a read-back runs (the panel opened before it began), the project waits for its
    // end: it is offered, and sent, onto the settings the read-back found.
    if (m_model.loading()) {
        offerAfterReadBack(*read, name, asked);
        return;
    }
    offer(*read, name, asked);
}

bool ProjectCommands::toldEnded(const AskedAt& asked, const QString& failure) {
    if (!asked.ended()) return false;
    m_dialogs.alert(failure, answerChangesNothingText);
    return true;
}

void ProjectCommands::offerAfterReadBack(const QByteArray& bytes, const QString& name, const AskedAt& asked) {
    auto waiting = std::make_shared<QMetaObject::Connection>();
    *waiting = QObject::connect(&m_model, &DSPModel::loadingChanged, &m_alive, [=, this] {
        if (m_model.loading()) return;
        QObject::disconnect(*waiting);
        // The read-back's end is announced from inside it: the question waits for the event loop.
        Dialogs::askLater(&m_alive, [=, this] { offer(bytes, name, asked); });
    });
}

void ProjectCommands::offer(const QByteArray& bytes, const QString& name, const AskedAt& asked) {
    if (toldEnded(asked, QStringLiteral("The project couldn't be opened."))) return;
    if (m_model.connected()) {
        // The device the user agrees to send to may go while the questions are open, and another
        // connect in its place: the project is then sent nowhere, not to that other device and not
        // opened on the demo device either.
        if (m_work && !m_work->mayStartAnother(QStringLiteral("Send \"%1\" anyway?").arg(name),
                                               QStringLiteral("Send Anyway")))
            return;
        if (asked.ended()) return;
        const bool send = m_dialogs.confirm(
            QStringLiteral("Send \"%1\" to the DSP?").arg(name),
            asked.consequence(QStringLiteral(
                "Every setting on the connected DSP will be replaced by the project's settings. Turn "
                "amplifiers down first if you're unsure what the project contains.")),
            QStringLiteral("Send to DSP"), QStringLiteral("Cancel"));
        if (!send) return;
    } else if (!m_model.demo()) {
        // With no device the project opens on the demo device, which it starts.
        m_model.enterDemo();
        loadProject(bytes, name);
        return;
    }
    asked.act([&] { loadProject(bytes, name); });
}

void ProjectCommands::loadProject(const QByteArray& bytes, const QString& name) {
    if (const auto failure = m_model.loadProject(bytes)) {
        m_dialogs.alert(QStringLiteral("The project couldn't be opened."), *failure);
        return;
    }
    if (m_work) m_work->followProjectSend(name);
}

void ProjectCommands::toggleDemo() {
    if (m_model.demo()) {
        m_model.exitDemo();
    } else {
        m_model.enterDemo();
    }
}

QString ProjectCommands::version() {
    const QString version = QStringLiteral(KESTREL_VERSION);
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

QUrl ProjectCommands::supportMailURL(const QString& address, const QString& version, const QString& system) {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Tessaline DSP Control support"));
    query.addQueryItem(QStringLiteral("body"),
                       QStringLiteral("\n\n—\nTessaline DSP Control %1\n%2").arg(version, system));
    url.setQuery(query);
    return url;
}

void ProjectCommands::openWebsite() {
    if (!ProductSettings::website().isEmpty()) m_dialogs.openLink(QUrl(ProductSettings::website()));
}

void ProjectCommands::emailSupport() {
    if (ProductSettings::supportEmail().isEmpty()) return;
    const QUrl url =
        supportMailURL(ProductSettings::supportEmail(), version(), QSysInfo::prettyProductName());
    if (url.isValid()) m_dialogs.openLink(url);
}
