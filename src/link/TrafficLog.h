#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

// One block of bytes sent or received, or an info line, tagged with the
// transport it concerns ("DSP", "USB", "UDP", "TCP" or "NOTE").
struct TrafficEntry {
    enum class Direction { sent, received, info };
    // "→", "←" or "•" as the text form shows it.
    static QString symbol(Direction direction);

    QUuid id;
    QDateTime time;
    QString transport;
    Direction direction = Direction::info;
    QByteArray bytes;
    QString note;
};

// The application's only log: the newest 5000 entries, oldest first. Views
// follow it through `entriesChanged`. Main thread only.
class TrafficLog : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype limit = 5000;

    // The one log of the run, created on first use.
    static TrafficLog& shared();

    explicit TrafficLog(QObject* parent = nullptr);

    // Appends an entry stamped with a new id and the current time, dropping
    // the oldest entries beyond the limit.
    void log(const QString& transport, TrafficEntry::Direction direction, const QByteArray& bytes = {},
             const QString& note = {});
    const QList<TrafficEntry>& entries() const { return m_entries; }
    void clear();

    // One line per entry, joined by newlines without a final one.
    QString exportText() const;
    // "12:34:56.789 DSP → [20] A5 A1 ..." with "  # note" when there is a note;
    // the time in the local time zone.
    static QString line(const TrafficEntry& entry);

Q_SIGNALS:
    void entriesChanged();

private:
    QList<TrafficEntry> m_entries;
};
