#include "link/TrafficLog.h"

#include <QStringList>

#include "link/HexText.h"
#include "platform/TextMarks.h"

QString TrafficEntry::symbol(Direction direction) {
    switch (direction) {
        case Direction::sent:
            return QStringLiteral("\u2192");
        case Direction::received:
            return QStringLiteral("\u2190");
        case Direction::info:
            break;
    }
    return QStringLiteral("\u2022");
}

namespace {

// Entries need ids that are unique within the run, nothing more. A random UUID for each one
// draws on the processor's hardware entropy, which alone costs more than the rest of a
// request's trip through the link: one random base, counted up, serves as well.
QUuid nextEntryID() {
    static const QUuid base = QUuid::createUuid();
    static quint64 count = 0;
    ++count;
    QUuid id = base;
    id.data1 ^= uint(count);
    id.data2 ^= ushort(count >> 32);
    id.data3 ^= ushort(count >> 48);
    return id;
}

}  // namespace

TrafficLog& TrafficLog::shared() {
    static TrafficLog log;
    return log;
}

TrafficLog::TrafficLog(QObject* parent) : QObject(parent) {}

void TrafficLog::log(const QString& transport, TrafficEntry::Direction direction, const QByteArray& bytes,
                     const QString& note) {
    m_entries.append(
        TrafficEntry{nextEntryID(), QDateTime::currentDateTimeUtc(), transport, direction, bytes, note});
    if (m_entries.size() > limit) m_entries.remove(0, m_entries.size() - limit);
    Q_EMIT entriesChanged();
}

void TrafficLog::clear() {
    m_entries.clear();
    Q_EMIT entriesChanged();
}

QString TrafficLog::exportText() const {
    QStringList lines;
    lines.reserve(m_entries.size());
    for (const TrafficEntry& entry : m_entries) lines.append(line(entry));
    return lines.join(u'\n');
}

QString TrafficLog::line(const TrafficEntry& entry) {
    // QDateTime's format strings always use the C locale, whatever the user's.
    QString text = entry.time.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz")) + u' ' +
                   textmarks::oneLine(entry.transport) + u' ' + TrafficEntry::symbol(entry.direction) +
                   QStringLiteral(" [") + QString::number(entry.bytes.size()) + QStringLiteral("] ") +
                   hexText(entry.bytes);
    // A note holds what a user typed or a device sent; it stays on its entry's line, in the
    // list and in an exported capture alike.
    if (!entry.note.isEmpty()) text += QStringLiteral("  # ") + textmarks::oneLine(entry.note);
    return text;
}
