// kestrel-sim: the device simulator as a program, for end-to-end runs of the command line.
//
//   kestrel-sim --host 127.0.0.N [options]     or     kestrel-sim --random-host [options]
//
// Prints "listening on HOST:PORT" once it accepts connections, then serves until killed.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>

#include "DeviceSimulator.h"

namespace {

std::optional<quint16> parseCommand(const QString& text) {
    bool ok = false;
    const uint value = text.startsWith("0x") ? text.mid(2).toUInt(&ok, 16) : text.toUInt(&ok, 10);
    if (!ok || value > 0xFFFF) return std::nullopt;
    return quint16(value);
}

// Written beside the target and renamed over it, so a reader never sees half a dump. Not
// synced to disk: a dump after every frame must not wait for the disk while the program
// under test waits for its answers.
void writeDump(const QString& path, const SimDevice& device) {
    const QString written = path + QStringLiteral(".new");
    QFile file(written);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    file.write(QJsonDocument(device.toJson()).toJson(QJsonDocument::Compact));
    file.close();
    std::rename(QFile::encodeName(written).constData(), QFile::encodeName(path).constData());
}

// "open N", "frame N COMMAND" and "close N", one line each as it happens; connections are
// numbered from 1 in the order they were accepted.
void recordEvents(DeviceSimulator& simulator, QFile& file) {
    const auto record = [&file](const QString& line) { file.write((line + QLatin1Char('\n')).toUtf8()); };
    QObject::connect(&simulator, &DeviceSimulator::clientConnected, &simulator,
                     [record](int connection) { record(QStringLiteral("open %1").arg(connection)); });
    QObject::connect(&simulator, &DeviceSimulator::clientDisconnected, &simulator,
                     [record](int connection) { record(QStringLiteral("close %1").arg(connection)); });
    QObject::connect(&simulator, &DeviceSimulator::frameReceived, &simulator,
                     [record](const DSPFrame& frame, int connection) {
                         record(QStringLiteral("frame %1 %2").arg(connection).arg(frame.command));
                     });
}

int fail(const QString& message) {
    std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(message));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Kestrel device simulator on a loopback address, TCP port 8234");
    parser.addHelpOption();
    parser.addOptions({
        {"host", "Loopback address to listen on (127.x.y.z).", "address"},
        {"random-host", "Listen on a free random loopback address."},
        {"port", "TCP port (default 8234).", "port", "8234"},
        {"name", "Device name.", "text"},
        {"group", "Device group.", "text"},
        {"state", "Start from a JSON state dump.", "file"},
        {"dump", "Write the state as JSON to this file after every frame.", "file"},
        {"events", "Append a line per connection opened or closed and per frame to this file.", "file"},
        {"silent", "Never answer this command (decimal or 0x hex); repeatable.", "command"},
        {"delay-ms", "Delay every answer.", "ms"},
        {"garbage", "Hex bytes written before every answer.", "hex"},
        {"bad-checksum", "Answers fail their checksum."},
        {"chunk", "Write answers in pieces of this many bytes.", "bytes"},
        {"close-after", "Close the connection on this received frame.", "count"},
        {"identify-words", "Words in the identify answer.", "count"},
        {"ignore-writes", "Acknowledge parameter writes without storing them."},
    });
    parser.process(app);

    // Declared before the simulator, which may still report closed connections as it goes.
    QFile events(parser.value("events"));
    DeviceSimulator simulator;
    SimDevice& device = simulator.device();
    SimFaults faults;
    if (parser.isSet("state")) {
        QFile file(parser.value("state"));
        if (!file.open(QIODevice::ReadOnly) ||
            !device.loadJson(QJsonDocument::fromJson(file.readAll()).object()))
            return fail("unreadable state file " + parser.value("state"));
    }
    if (parser.isSet("name")) device.name = parser.value("name");
    if (parser.isSet("group")) device.group = parser.value("group");
    if (parser.isSet("identify-words")) device.identityWordCount = parser.value("identify-words").toInt();
    device.storesWrites = !parser.isSet("ignore-writes");
    for (const QString& text : parser.values("silent")) {
        const auto command = parseCommand(text);
        if (!command) return fail("bad command " + text);
        faults.silentCommands.insert(*command);
    }
    faults.delayMs = parser.value("delay-ms").toInt();
    faults.garbageBeforeAnswers = QByteArray::fromHex(parser.value("garbage").toLatin1());
    faults.badChecksums = parser.isSet("bad-checksum");
    faults.chunkSize = parser.value("chunk").toInt();
    if (parser.isSet("close-after")) faults.closeAfterFrames = parser.value("close-after").toInt();
    simulator.setFaults(faults);

    const quint16 port = quint16(parser.value("port").toUInt());
    bool listening = false;
    if (parser.isSet("random-host")) {
        listening = simulator.listenOnRandomLoopback(port);
    } else if (parser.isSet("host")) {
        listening = simulator.listen(QHostAddress(parser.value("host")), port);
    } else {
        return fail("--host or --random-host is needed");
    }
    if (!listening) return fail("can't listen (only loopback addresses are allowed)");

    if (parser.isSet("dump")) {
        const QString path = parser.value("dump");
        writeDump(path, device);
        QObject::connect(&simulator, &DeviceSimulator::frameReceived, &simulator,
                         [path, &device] { writeDump(path, device); });
    }
    if (parser.isSet("events")) {
        if (!events.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return fail("can't write " + parser.value("events"));
        recordEvents(simulator, events);
    }
    std::printf("listening on %s:%u\n", qPrintable(simulator.host()), unsigned(simulator.port()));
    std::fflush(stdout);
    return app.exec();
}
