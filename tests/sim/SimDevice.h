#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>

#include "SimStorage.h"
#include "link/DSPFrame.h"

// The state of the simulated processor: what a real one keeps between frames.
struct SimDevice {
    using Words = DSPFrame::Words;

    DSPFrame::Address address = {0x0B, 0x04, 0x01, 0x04, 0x00, 0x00};
    quint8 firmware[3] = {1, 2, 3};
    int year = 2024;
    int month = 3;
    int day = 15;
    QString name = QStringLiteral("Kestrel Sim");
    QString group = QStringLiteral("Stage");
    // Every read-back parameter with its word count, zero words at start.
    QMap<quint32, Words> params;
    // Words of the identify answer; fewer than 4 leave out firmware and date.
    int identityWordCount = 4;
    // A faulty device acknowledges parameter writes without keeping them.
    bool storesWrites = true;
    // The meter answer's values: twelve (level, spare) pairs.
    Words meters;
    // Preset slots and FIR blocks (SimStorage.h).
    SimPresetBank presets;
    SimFIRBank fir;

    SimDevice();

    // The identify answer's words: 16 bytes carry firmware and date.
    Words identityWords() const;

    // Everything as JSON: words as integers, parameters keyed by decimal number, the FIR
    // blocks that received an upload keyed by their target word in decimal, and the preset
    // slots (occupied and current as bit masks, names by slot).
    QJsonObject toJson() const;
    // Takes the parameters (and name, group, FIR blocks and preset slots when present) from a
    // dump; false if unreadable.
    bool loadJson(const QJsonObject& json);
};
