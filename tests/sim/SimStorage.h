#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include "link/DSPFrame.h"

// What the simulated processor stores beyond its parameters: preset slots and the twelve
// FIR blocks. Kept in SimDevice so tests can set and inspect them.

struct SimPresetBank {
    quint32 occupied = 0b11;  // slot 0 (live) and slot 1 (defaults)
    quint32 current = 0;
    QMap<int, QString> names{{0, QStringLiteral("Live")}, {1, QStringLiteral("Default")}};
    QMap<int, QMap<quint32, DSPFrame::Words>> stored;  // a slot's parameters
};

struct SimFIRBlock {
    DSPFrame::Words header;
    DSPFrame::Words coefficients;
};

struct SimFIRBank {
    QMap<quint32, SimFIRBlock> blocks;  // by target word
    // The upload being received: its header and chunks by index.
    DSPFrame::Words pendingHeader;
    QMap<int, DSPFrame::Words> pendingChunks;
    // Fault knobs: status codes answered to the next upload steps (0 succeeds; an
    // empty queue succeeds), and the most taps a commit accepts.
    QList<quint32> statusCodes;
    int maxTaps = 1024;
    // Coefficient words per read-back chunk; the chunk of this index (-1: none) comes one
    // word short, its second word lost.
    int readChunkWords = 256;
    int shortReadChunk = -1;
    // Every upload step of these commands (128 header, 129 coefficients, 130 commit) is
    // refused with the code given.
    QMap<quint16, quint32> refusedSteps;
    // Every commit is refused with a status answer that carries no word.
    bool commitsWordless = false;
    // A commit stores only the first this many taps of the upload (-1: all), and says it took it.
    int keptTaps = -1;
};
