#include "ui/DeviceWork.h"

#include <algorithm>
#include <utility>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceNote.h"
#include "ui/Dialogs.h"
#include "ui/controls/PlainText.h"

DeviceWork::Ticket::Ticket(Ticket&& other) noexcept
    : m_work(std::exchange(other.m_work, nullptr)), m_id(std::exchange(other.m_id, 0)) {}

DeviceWork::Ticket& DeviceWork::Ticket::operator=(Ticket&& other) noexcept {
    if (this != &other) {
        if (m_work) m_work->end(m_id);
        m_work = std::exchange(other.m_work, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

DeviceWork::Ticket::~Ticket() {
    if (m_work) m_work->end(m_id);
}

void DeviceWork::Ticket::setDone(int done) const {
    if (m_work) m_work->setDone(m_id, done);
}

DeviceWork::DeviceWork(DSPModel& model, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_model(model), m_dialogs(dialogs), m_cutShort(new DeviceNote(model, this)) {
    // The link announces no single write, and the display needs no more than a few steps a
    // second: the queue is looked at while a project send runs.
    m_writesPoll.setInterval(100);
    connect(&m_writesPoll, &QTimer::timeout, this, &DeviceWork::followWrites);
    // A lost link is told at once, not at the next look at the queue.
    connect(&model, &DSPModel::connectedChanged, this, &DeviceWork::followWrites);
    // How far a send came on one device says nothing about another one connected since.
    connect(m_cutShort, &DeviceNote::changed, this, &DeviceWork::changed);
    connect(&model, &DSPModel::firUploadCut, this, &DeviceWork::firUploadCut);
}

void DeviceWork::followProjectSend(const QString& projectName) {
    if (m_projectSend) end(std::exchange(m_projectSend, 0));
    // Writes already waiting for the link when the project came go out among its own.
    const int queued = m_model.link().queuedWriteCount();
    if (queued == 0 || !m_model.connected()) return;
    m_projectSend = ++m_lastId;
    m_projectName = projectName;
    m_acknowledgedBefore = m_model.link().acknowledgedWriteCount();
    add({m_projectSend, QStringLiteral("The project \"%1\"").arg(projectName),
         QStringLiteral("settings written"), 0, queued});
    m_writesPoll.start();
}

void DeviceWork::followWrites() {
    if (!m_projectSend) {
        m_writesPoll.stop();
        return;
    }
    const auto it = std::find_if(m_running.begin(), m_running.end(),
                                 [this](const Operation& o) { return o.id == m_projectSend; });
    if (it == m_running.end()) return;
    // Written is what the device acknowledged. Edits made meanwhile are acknowledged among
    // the project's writes: the count never goes back and never passes the project's.
    const int acknowledged = m_model.link().acknowledgedWriteCount() - m_acknowledgedBefore;
    setDone(m_projectSend, std::clamp(acknowledged, it->done, it->total));
    const bool cut = !m_model.connected();
    // The send ends with the answer to its last write, so that write is counted too. A lost
    // link drops every queued write: nothing of the project is on its way any more, and the
    // user is told how much of it the device holds.
    if (!cut && m_model.link().unansweredWriteCount() > 0) return;
    if (cut) cutShort(*it, cutShortText(m_projectName, *it));
    m_writesPoll.stop();
    end(std::exchange(m_projectSend, 0));
}

// An FIR upload runs under the operation that sent it: the project send is no upload.
void DeviceWork::firUploadCut(int ch, int done, int total) {
    const QString text = firCutShortText(channelwords::spokenName(m_model, ch), done, total);
    m_cutShort->set(text);
    for (Operation& operation : m_running)
        if (operation.id != m_projectSend) cutShort(operation, text);
    Q_EMIT changed();
}

void DeviceWork::cutShort(Operation& operation, const QString& text) {
    operation.cutShort = text;
    m_cutShort->set(text);
}

QString DeviceWork::cutShortNote() const {
    return m_cutShort->text().value_or(QString());
}

DeviceWork::Ticket DeviceWork::begin(const QString& subject, const QString& unit, int total) {
    const int id = ++m_lastId;
    add({id, subject, unit, 0, total});
    return Ticket(this, id);
}

void DeviceWork::add(Operation operation) {
    m_cutShort->set(std::nullopt);  // told before; the new operation is what the device now receives
    m_running.append(std::move(operation));
    Q_EMIT changed();
}

void DeviceWork::setDone(int id, int done) {
    for (Operation& operation : m_running) {
        if (operation.id != id || operation.done == done) continue;
        operation.done = done;
        Q_EMIT changed();
    }
}

void DeviceWork::end(int id) {
    const auto it =
        std::find_if(m_running.begin(), m_running.end(), [id](const Operation& o) { return o.id == id; });
    if (it == m_running.end()) return;
    constexpr qsizetype keptEnded = 8;
    m_ended.append(*it);
    if (m_ended.size() > keptEnded) m_ended.removeFirst();
    m_running.erase(it);
    Q_EMIT changed();
}

namespace {

// "45 of 388 settings written": how far an operation has come, in its own unit.
QString countText(const DeviceWork::Operation& operation) {
    return QStringLiteral("%1 of %2 %3").arg(operation.done).arg(operation.total).arg(operation.unit);
}

// "Sending the project "Hall setup""
QString sendingText(const DeviceWork::Operation& operation) {
    QString subject = operation.subject;
    if (!subject.isEmpty()) subject[0] = subject[0].toLower();
    return QStringLiteral("Sending ") + subject;
}

}  // namespace

QString DeviceWork::stillSendingText(const Operation& operation) {
    return QStringLiteral("%1 is still being sent to the DSP: %2.")
        .arg(operation.subject, countText(operation));
}

QString DeviceWork::cutShortText(const QString& projectName, const Operation& operation) {
    return QStringLiteral("Project \"%1\": %2 before the link closed").arg(projectName, countText(operation));
}

QString DeviceWork::firCutShortText(const QString& channel, int done, int total) {
    return QStringLiteral("FIR for %1: %2 of %3 upload steps done before the link closed")
        .arg(channel)
        .arg(done)
        .arg(total);
}

QString DeviceWork::progressText(const Operation& operation) {
    return QStringLiteral("%1: %2").arg(sendingText(operation), countText(operation));
}

QString DeviceWork::endedText(const Operation& operation) {
    if (!operation.cutShort.isEmpty()) return operation.cutShort + QLatin1Char('.');
    return QStringLiteral("%1 ended: %2.").arg(sendingText(operation), countText(operation));
}

QString DeviceWork::stateText(int id) const {
    const auto with = [id](const Operation& o) { return o.id == id; };
    const auto running = std::find_if(m_running.cbegin(), m_running.cend(), with);
    if (running != m_running.cend()) return stillSendingText(*running);
    const auto ended = std::find_if(m_ended.cbegin(), m_ended.cend(), with);
    return ended != m_ended.cend() ? endedText(*ended) : QString();
}

QString DeviceWork::longestStateText(Operation operation) const {
    operation.done = operation.total;
    QStringList forms{stillSendingText(operation), endedText(operation)};
    if (operation.id == m_projectSend)
        forms.append(cutShortText(m_projectName, operation) + QLatin1Char('.'));
    return *std::max_element(forms.cbegin(), forms.cend(),
                             [](const QString& a, const QString& b) { return a.size() < b.size(); });
}

bool DeviceWork::idle() {
    // The numbers the user reads are the ones of this moment, not of the last poll.
    followWrites();
    return m_running.isEmpty();
}

bool DeviceWork::mayInterrupt(const QString& question, const QString& goOnButton,
                              const QString& consequence) {
    if (idle()) return true;
    // The work goes on behind the open question, and the question follows it, to its end:
    // a send that ends meanwhile still says how it ended.
    QList<int> asked;
    for (const Operation& operation : m_running) asked.append(operation.id);
    const auto message = [this, question, asked] {
        QStringList lines;
        for (int id : asked) lines.append(stateText(id));
        lines.removeAll(QString());
        lines.append(question);
        // One paragraph: a subject's name with a line break in it breaks no line.
        return plaintext::oneLine(lines.join(QLatin1Char(' ')));
    };
    // What going on would do to the work holds only while some of it still runs.
    const auto stillHolds = [this, consequence, asked] {
        const bool running = std::any_of(m_running.cbegin(), m_running.cend(),
                                         [&asked](const Operation& o) { return asked.contains(o.id); });
        return running ? consequence : QString();
    };
    QStringList longest;
    for (const Operation& operation : m_running) longest.append(longestStateText(operation));
    longest.append(question);
    return m_dialogs.confirm(Dialogs::LiveText(this, &DeviceWork::changed, message)
                                 .alsoShowing({plaintext::oneLine(longest.join(QLatin1Char(' ')))}),
                             Dialogs::LiveText(this, &DeviceWork::changed, stillHolds), goOnButton,
                             QStringLiteral("Cancel"), Dialogs::DefaultButton::cancel);
}

bool DeviceWork::mayQuit() {
    return mayInterrupt(QStringLiteral("Quit anyway?"), QStringLiteral("Quit"),
                        QStringLiteral("The DSP then keeps what it received so far: part of the new settings "
                                       "and part of the old ones."));
}

bool DeviceWork::mayStartAnother(const QString& question, const QString& goOnButton) {
    return mayInterrupt(question, goOnButton,
                        QStringLiteral("Both then reach the DSP in turns, and the one that ends last decides "
                                       "what the DSP keeps."));
}

bool DeviceWork::mayChangeConnection() {
    return mayInterrupt(QStringLiteral("Change the connection anyway?"), QStringLiteral("Change Connection"),
                        QStringLiteral("What is not sent yet is dropped: the DSP then keeps part of the new "
                                       "settings and part of the old ones."));
}
