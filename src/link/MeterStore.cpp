#include "link/MeterStore.h"

MeterStore::MeterStore(QObject* parent)
    : QObject(parent), levels_(channelCount, silent), heard_(channelCount, false) {}

void MeterStore::setLevels(const QList<float>& levels) {
    for (qsizetype k = 0; k < channelCount && k < levels.size(); ++k) {
        levels_[k] = levels[k];
        heard_[k] = true;
    }
    Q_EMIT levelsChanged();
}

void MeterStore::setAllSilent() {
    setLevels(QList<float>(channelCount, silent));
}

void MeterStore::setLive(bool live) {
    if (live == live_) return;
    live_ = live;
    Q_EMIT levelsChanged();
}
