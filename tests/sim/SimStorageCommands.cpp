// The simulator's preset slots and FIR blocks.
#include "SimStorageCommands.h"

#include <algorithm>

namespace {

using Words = DSPFrame::Words;

constexpr quint16 acknowledge = 1;
constexpr quint16 status = 134;
constexpr int slotCount = 31;
constexpr int presetNameWords = 5;
// A commit the device cannot take: more taps than its block holds.
constexpr quint32 tooManyTapsCode = 3;

QList<SimReply> acknowledged() {
    return {SimReply{acknowledge, {}}};
}

QList<SimReply> listPresets(SimDevice& device, const DSPFrame&) {
    return {SimReply{8, {0, device.presets.occupied, device.presets.current}}};
}

QList<SimReply> presetName(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty()) return {};
    const int slot = int(request.words[0]);
    return {SimReply{
        17, Words{quint32(slot)} + DSPFrame::packString(device.presets.names.value(slot), presetNameWords)}};
}

QList<SimReply> storePreset(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty() || request.words[0] >= slotCount) return {};
    const int slot = int(request.words[0]);
    device.presets.occupied |= 1u << slot;
    device.presets.names[slot] = DSPFrame::unpackString(request.words.mid(1, presetNameWords));
    device.presets.stored[slot] = device.params;
    // Storing copies the live settings away; the current preset stays the one
    // last recalled (the preset hardware test relies on it).
    return acknowledged();
}

QList<SimReply> recallPreset(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty() || request.words[0] >= slotCount) return {};
    const int slot = int(request.words[0]);
    if ((device.presets.occupied & (1u << slot)) == 0) return {};
    if (device.presets.stored.contains(slot)) device.params = device.presets.stored.value(slot);
    device.presets.current = quint32(slot);
    return acknowledged();
}

QList<SimReply> deletePresets(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty()) return {};
    // Slots 0 and 1 cannot be deleted.
    const quint32 mask = request.words[0] & ~0b11u;
    device.presets.occupied &= ~mask;
    for (int slot = 2; slot < 32; ++slot) {
        if ((mask & (1u << slot)) == 0) continue;
        device.presets.names.remove(slot);
        device.presets.stored.remove(slot);
    }
    return acknowledged();
}

// Each upload step answers with the next queued status code, 0 when none is queued; a step
// refused every time answers with its own code.
QList<SimReply> stepStatus(SimDevice& device, quint16 command = 0) {
    const quint32 code = device.fir.statusCodes.isEmpty() ? 0 : device.fir.statusCodes.takeFirst();
    return {SimReply{status, {device.fir.refusedSteps.value(command, code)}}};
}

QList<SimReply> startFIR(SimDevice& device, const DSPFrame&) {
    device.fir.pendingHeader.clear();
    device.fir.pendingChunks.clear();
    return stepStatus(device);
}

QList<SimReply> firHeader(SimDevice& device, const DSPFrame& request) {
    if (device.fir.refusedSteps.contains(request.command)) return stepStatus(device, request.command);
    device.fir.pendingHeader = request.words;
    return stepStatus(device);
}

QList<SimReply> firChunk(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty()) return {};
    if (device.fir.refusedSteps.contains(request.command)) return stepStatus(device, request.command);
    device.fir.pendingChunks[int(request.words[0] >> 16)] = request.words.mid(1);
    return stepStatus(device);
}

QList<SimReply> commitFIR(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty()) return {};
    Words coefficients;
    for (const Words& chunk : device.fir.pendingChunks) coefficients += chunk;
    if (coefficients.size() > device.fir.maxTaps) return {SimReply{status, {tooManyTapsCode}}};
    if (device.fir.commitsWordless) return {SimReply{status, {}}};
    auto reply = stepStatus(device, request.command);
    if (device.fir.keptTaps >= 0)
        coefficients = coefficients.first(std::min(coefficients.size(), qsizetype(device.fir.keptTaps)));
    if (reply.front().words.front() == 0)
        device.fir.blocks[request.words[0]] = SimFIRBlock{device.fir.pendingHeader, coefficients};
    return reply;
}

SimFIRBlock blockFor(SimDevice& device, quint32 target) {
    // A block never written holds a one-tap pass-through.
    return device.fir.blocks.value(target, SimFIRBlock{{target, 1, 0, 0, 0}, {0x3F800000}});
}

QList<SimReply> readFIRHeader(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty()) return {};
    const quint32 target = request.words[0];
    Words header = blockFor(device, target).header;
    header.resize(5, 0);
    header[0] = target;
    return {SimReply{131, header}};
}

QList<SimReply> readFIRChunk(SimDevice& device, const DSPFrame& request) {
    if (request.words.isEmpty()) return {};
    const quint32 word = request.words[0];
    const Words& all = blockFor(device, word & 0xFFFF).coefficients;
    const int size = device.fir.readChunkWords;
    const int k = int(word >> 16);
    Words chunk = all.mid(qsizetype(k) * size, size);
    if (k == device.fir.shortReadChunk && chunk.size() > 1) chunk.remove(1);
    return {SimReply{132, Words{word} + chunk}};
}

QList<SimReply> endFIRRead(SimDevice&, const DSPFrame&) {
    return {SimReply{status, {0}}};
}

}  // namespace

namespace simstorage {

QHash<quint16, DeviceSimulator::Handler> handlers() {
    return {
        {8, listPresets},     {9, storePreset},    {10, recallPreset}, {17, presetName},
        {18, deletePresets},  {128, firHeader},    {129, firChunk},    {130, commitFIR},
        {131, readFIRHeader}, {132, readFIRChunk}, {133, endFIRRead},  {135, startFIR},
    };
}

}  // namespace simstorage
