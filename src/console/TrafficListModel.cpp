#include "console/TrafficListModel.h"

#include <QTimer>
#include <algorithm>

TrafficListModel::TrafficListModel(TrafficLog& log, QObject* parent)
    : QAbstractListModel(parent), log_(log), rows_(log.entries()) {
    connect(&log_, &TrafficLog::entriesChanged, this, &TrafficListModel::scheduleSync);
}

int TrafficListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant TrafficListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size() || role != Qt::DisplayRole) return {};
    return TrafficLog::line(rows_.at(index.row()));
}

Qt::ItemFlags TrafficListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid() && index.row() < rows_.size() && !rows_.at(index.row()).bytes.isEmpty())
        flags |= Qt::ItemIsEditable;
    return flags;
}

void TrafficListModel::scheduleSync() {
    if (syncScheduled_) return;
    syncScheduled_ = true;
    // Each update repaints every row on screen; while the device link floods
    // the log, more updates than the screen can show would only cost time.
    const qint64 wait =
        lastSync_.isValid() ? std::max<qint64>(0, minimumSyncIntervalMs - lastSync_.elapsed()) : 0;
    QTimer::singleShot(int(wait), this, &TrafficListModel::sync);
}

void TrafficListModel::sync() {
    syncScheduled_ = false;
    lastSync_.start();
    const QList<TrafficEntry>& entries = log_.entries();
    // The log only appends and drops its oldest entries, so our last row is
    // still in it unless the log was cleared (or everything we showed has
    // been dropped since); new entries follow it at the end.
    qsizetype last = -1;
    if (!rows_.isEmpty()) {
        const QUuid lastID = rows_.last().id;
        for (qsizetype i = entries.size() - 1; i >= 0 && last < 0; --i) {
            if (entries[i].id == lastID) last = i;
        }
        if (last < 0) {
            reset();
            return;
        }
    }
    const qsizetype dropped = rows_.size() - 1 - last;
    if (dropped > 0) {
        beginRemoveRows({}, 0, int(dropped - 1));
        rows_.remove(0, dropped);
        endRemoveRows();
    }
    const qsizetype added = entries.size() - 1 - last;
    if (added > 0) {
        beginInsertRows({}, int(rows_.size()), int(rows_.size() + added - 1));
        rows_.append(entries.sliced(last + 1));
        endInsertRows();
    }
}

void TrafficListModel::reset() {
    beginResetModel();
    rows_ = log_.entries();
    endResetModel();
}
