#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class DSPModel;
class DeviceNote;
class Dialogs;

// The device operations that run long enough for the user to do something else meanwhile: a
// project's settings on their way to the device, an FIR upload. Quitting, or starting another
// operation, while one runs would leave the device half-written, so those ask first.
class DeviceWork : public QObject {
    Q_OBJECT
public:
    struct Operation {
        int id = 0;
        QString subject;  // The project "Hall setup"
        QString unit;     // "settings written"
        int done = 0;
        int total = 0;
        QString cutShort;  // how far it came, when a lost link cut it short (cutShortText)
    };

    // Holds one operation open for as long as it lives: a coroutine keeps it as a local, so
    // the operation ends on every way out of it, also when the work outlives its view.
    class Ticket {
    public:
        Ticket() = default;
        Ticket(DeviceWork* work, int id) : m_work(work), m_id(id) {}
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        ~Ticket();
        void setDone(int done) const;

    private:
        QPointer<DeviceWork> m_work;
        int m_id = 0;
    };

    DeviceWork(DSPModel& model, Dialogs& dialogs, QObject* parent = nullptr);

    // Follows the writes a project load has just handed to the link until all of them went
    // out (or the link was lost). Nothing to follow on the demo device.
    void followProjectSend(const QString& projectName);
    // An operation that reports its own progress.
    Ticket begin(const QString& subject, const QString& unit, int total);

    const QList<Operation>& running() const { return m_running; }
    // How far the last send came when a lost link cut it short (cutShortText, firCutShortText),
    // until another operation begins; empty otherwise.
    QString cutShortNote() const;
    // The project "Hall setup" is still being sent to the DSP: 45 of 388 settings written.
    static QString stillSendingText(const Operation& operation);
    // What the status bar shows: Sending the project "Hall setup": 45 of 388 settings written
    static QString progressText(const Operation& operation);
    // Project "Hall setup": 99 of 388 settings written before the link closed
    static QString cutShortText(const QString& projectName, const Operation& operation);
    // FIR for OUT 2: 3 of 5 upload steps done before the link closed
    static QString firCutShortText(const QString& channel, int done, int total);
    // How an operation that is over ended: how far it came when the link cut it short, else
    // Sending the project "Hall setup" ended: 388 of 388 settings written.
    static QString endedText(const Operation& operation);
    // The question before an action that would cut into running work; true when nothing runs
    // or the user chose to go on. Cancel is the default: Return must not break a send.
    bool mayInterrupt(const QString& question, const QString& goOnButton, const QString& consequence);
    // Nothing runs, as of this moment.
    bool idle();
    // The questions of quitting and of starting another device operation.
    bool mayQuit();
    bool mayStartAnother(const QString& question, const QString& goOnButton);
    bool mayChangeConnection();

Q_SIGNALS:
    // An operation began, moved on or ended.
    void changed();

private:
    void add(Operation operation);
    void setDone(int id, int done);
    void end(int id);
    void followWrites();
    void firUploadCut(int ch, int done, int total);
    void cutShort(Operation& operation, const QString& text);
    // What the question before an interruption says of one operation, running or over.
    QString stateText(int id) const;
    // The longest it may come to say of one operation, running or over: the question keeps
    // room for that from the start.
    QString longestStateText(Operation operation) const;

    DSPModel& m_model;
    Dialogs& m_dialogs;
    QList<Operation> m_running;
    // The last operations that ended, so a question asked while they ran still tells how they ended.
    QList<Operation> m_ended;
    int m_lastId = 0;
    // The project send being followed, while it runs: its name, and the link's count of
    // acknowledged writes when it began.
    int m_projectSend = 0;
    QString m_projectName;
    int m_acknowledgedBefore = 0;
    DeviceNote* m_cutShort;  // about the device the send was cut from
    QTimer m_writesPoll;
};
