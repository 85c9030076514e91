#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QUrl>

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
    // Asks whether to send a chosen project to the device `asked` was opened for, and sends it.
    void offer(const QByteArray& bytes, const QString& name, const AskedAt& asked);
    void offerAfterReadBack(const QByteArray& bytes, const QString& name, const AskedAt& asked);
    void loadProject(const QByteArray& bytes, const QString& name);
    // Whether the device `asked` was for has left; if so, says that `failure` happened and the
    // answer changed nothing.
    bool toldEnded(const AskedAt& asked, const QString& failure);

    DSPModel& m_model;
    Dialogs& m_dialogs;
    DeviceWork* m_work;
    QObject m_alive;  // what waits on the model goes with these commands
};
