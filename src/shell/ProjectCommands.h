#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

#include <optional>

class AskedAt;
class DSPModel;
class Dialogs;
class DeviceWork;

// The menu bar's global commands: projects as files, the demo device, the help
// links. Every panel and alert goes through the dialog seam.
class ProjectCommands {
public:
    // `work` (may be null) follows a project's writes on their way to the device.
    ProjectCommands(DSPModel& model, Dialogs& dialogs, DeviceWork* work = nullptr)
        : m_model(model), m_dialogs(dialogs), m_work(work) {}

    // The model name a saved project carries: the connected device's, "Demo" or "KestrelD".
    QString baseName() const;
    // "<base> <date>.tsldsp", the date in the user's locale; "/" cannot stand in a file name.
    static QString proposedFileName(const QString& baseName, const QDate& date);

    void saveProject();
    void openProject();
    void toggleDemo();
    // Projects cannot be saved or opened while the settings are being read back.
    bool projectFilesAvailable() const;

    static QString version();
    static QUrl supportMailURL(const QString& address, const QString& version, const QString& system);
    void openWebsite();
    void emailSupport();

    static const QStringList& nameFilters();
    // What Save asks before it saves a table that misses settings or holds some no project
    // may hold: how many were not read, how many are not valid, and what the project then holds.
    static QString incompleteText(int unread, int invalid = 0);

private:
    // Why a project chosen after the panel or question `asked` opened is not sent, if it is not.
    std::optional<QString> whyNotSent(const AskedAt& asked) const;
    void loadProject(const QByteArray& bytes, const QString& name);

    DSPModel& m_model;
    Dialogs& m_dialogs;
    DeviceWork* m_work;
};
