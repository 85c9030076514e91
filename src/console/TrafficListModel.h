#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QList>

#include "link/TrafficLog.h"

// The traffic log as list rows. The device link logs every frame, so changes
// are gathered into one update per event-loop turn, at most one per screen
// refresh, and an update only removes the rows the log dropped and appends
// the new ones; a cleared log resets the list.
class TrafficListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TrafficListModel(TrafficLog& log, QObject* parent = nullptr);

    static constexpr int minimumSyncIntervalMs = 16;

    int rowCount(const QModelIndex& parent = {}) const override;
    // The display role is the entry's line of the text form.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Rows with bytes open for selecting their text.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    const TrafficEntry& entry(int row) const { return rows_.at(row); }

    // Brings the rows in line with the log now (normally done once per turn).
    void sync();

private:
    void scheduleSync();
    void reset();

    TrafficLog& log_;
    QList<TrafficEntry> rows_;
    bool syncScheduled_ = false;
    QElapsedTimer lastSync_;
};
