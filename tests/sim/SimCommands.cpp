// The simulator's answer to each device command, one handler per command.

#include "DeviceSimulator.h"
#include "SimStorageCommands.h"
#include "link/ParamMap.h"

namespace {

using Words = DSPFrame::Words;

constexpr quint16 acknowledge = 1;
constexpr int textWords = 6;

QList<SimReply> acknowledged() {
    return {SimReply{acknowledge, {}}};
}

QList<SimReply> identify(SimDevice& device, const DSPFrame&) {
    return {SimReply{3, device.identityWords()}};
}

QList<SimReply> writeParameter(SimDevice& device, const DSPFrame& request) {
    if (device.storesWrites && request.words.size() >= 2 && request.words[1] != ParamMap::meters) {
        device.params.insert(request.words[1], request.words.mid(2));
    }
    return acknowledged();
}

QList<SimReply> readParameter(SimDevice& device, const DSPFrame& request) {
    if (request.words.size() < 2) return {};
    const quint32 number = request.words[1];
    Words answer{0, number};
    if (number == ParamMap::meters) {
        answer += device.meters;
    } else if (device.params.contains(number)) {
        answer += device.params.value(number);
    } else {
        return {};
    }
    return {SimReply{6, answer}};
}

DeviceSimulator::Handler readText(QString SimDevice::*field, quint16 command) {
    return [field, command](SimDevice& device, const DSPFrame&) {
        return QList<SimReply>{SimReply{command, DSPFrame::packString(device.*field, textWords)}};
    };
}

DeviceSimulator::Handler writeText(QString SimDevice::*field) {
    return [field](SimDevice& device, const DSPFrame& request) {
        device.*field = DSPFrame::unpackString(request.words.mid(0, textWords));
        return acknowledged();
    };
}

QList<SimReply> acknowledgeOnly(SimDevice&, const DSPFrame&) {
    return acknowledged();
}

}  // namespace

QHash<quint16, DeviceSimulator::Handler> standardSimHandlers() {
    QHash<quint16, DeviceSimulator::Handler> handlers{
        {3, identify},
        {5, writeParameter},
        {6, readParameter},
        {0x22, writeText(&SimDevice::group)},
        {0x23, readText(&SimDevice::group, 0x23)},
        {0x20A, writeText(&SimDevice::name)},
        {0x20B, readText(&SimDevice::name, 0x20B)},
        {48, acknowledgeOnly},  // EQ bypass of an output
        {49, acknowledgeOnly},  // EQ restore
    };
    handlers.insert(simstorage::handlers());
    return handlers;
}
