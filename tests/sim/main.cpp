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
#include <functional>
#include <optional>

#include "DeviceSimulator.h"

namespace {

std::optional<quint16> parseCommand(const QString& text) {
    bool ok = false;
    const uint value = text.startsWith("0x") ? text.mid(2).toUInt(&ok, 16) : text.toUInt(&ok, 10);
    if (!ok || value > 0xFFFF) return std::nullopt;
    return quint16(value);
}

// Which requests a fault strikes: "CMD", or "CMD:PARAM" for the requests naming that
// parameter (reads and writes carry it in their second word); a trailing "/N" gives a count.
struct RequestRule {
    quint16 command = 0;
    std::optional<quint32> parameter;
    std::optional<int> count;
    int seen = 0;

    // Counts the request when it is one of the rule's.
    bool counts(const DSPFrame& request) {
        if (request.command != command) return false;
        if (parameter && (request.words.size() < 2 || request.words[1] != *parameter)) return false;
        ++seen;
        return true;
    }
};

std::optional<RequestRule> parseRule(const QString& text) {
    RequestRule rule;
    QString spec = text;
    if (const qsizetype slash = spec.indexOf(QLatin1Char('/')); slash >= 0) {
        bool ok = false;
        rule.count = spec.mid(slash + 1).toInt(&ok);
        if (!ok || *rule.count < 1) return std::nullopt;
        spec.truncate(slash);
    }
    const QStringList parts = spec.split(QLatin1Char(':'));
    const auto command = parseCommand(parts[0]);
    if (!command || parts.size() > 2) return std::nullopt;
    rule.command = *command;
    if (parts.size() == 2) {
        bool ok = false;
        rule.parameter = parts[1].toUInt(&ok);
        if (!ok) return std::nullopt;
    }
    return rule;
}

// Answers are lost to every rule's requests, or to only the first N of them.
std::function<bool(const DSPFrame&)> answersLostTo(QList<RequestRule> rules) {
    return [rules](const DSPFrame& request) mutable {
        bool lost = false;
        for (RequestRule& rule : rules)
            lost = (rule.counts(request) && rule.seen <= rule.count.value_or(rule.seen)) || lost;
        return lost;
    };
}

// The device goes away on the rule's first request, or on its Nth.
std::function<bool(const DSPFrame&)> goneOn(RequestRule rule) {
    return [rule](const DSPFrame& request) mutable {
        return rule.counts(request) && rule.seen == rule.count.value_or(1);
    };
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
        {"lose-answer",
         "Carry out this command (decimal or 0x hex) but lose its answer; CMD:PARAM only for that "
         "parameter; a trailing /N only the first N times; repeatable.",
         "command"},
        {"vanish-on",
         "Go away on the first request of this command (CMD, CMD:PARAM, CMD/N for the Nth), before "
         "carrying it out: every connection closes and nothing listens any more.",
         "command"},
        {"identify-words", "Words in the identify answer.", "count"},
        {"ignore-writes", "Acknowledge parameter writes without storing them."},
        {"fir-chunk-words", "Coefficients in each FIR read-back chunk (default 256).", "count"},
        {"fir-short-chunk", "FIR read-back chunk K (0 to 3) comes one coefficient short.", "K"},
        {"fir-commit-wordless", "Refuse every FIR commit with a status answer that carries no word."},
        {"fir-refuse",
         "Refuse every FIR upload step of this command (128 header, 129 coefficients, 130 commit) with "
         "the status code given, as CMD:CODE; repeatable.",
         "CMD:CODE"},
        {"fir-keep-taps", "Every FIR commit keeps only the first N taps, and says it took them all.", "N"},
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
    if (parser.isSet("fir-chunk-words")) device.fir.readChunkWords = parser.value("fir-chunk-words").toInt();
    if (parser.isSet("fir-short-chunk")) device.fir.shortReadChunk = parser.value("fir-short-chunk").toInt();
    device.fir.commitsWordless = parser.isSet("fir-commit-wordless");
    for (const QString& refusal : parser.values("fir-refuse")) {
        const QStringList parts = refusal.split(QLatin1Char(':'));
        const std::optional<quint16> command = parseCommand(parts.value(0));
        bool ok = false;
        const uint code = parts.value(1).toUInt(&ok);
        if (!command || parts.size() != 2 || !ok || code == 0) return fail("bad refusal " + refusal);
        device.fir.refusedSteps[*command] = code;
    }
    if (parser.isSet("fir-keep-taps")) {
        bool ok = false;
        device.fir.keptTaps = parser.value("fir-keep-taps").toInt(&ok);
        if (!ok || device.fir.keptTaps < 0) return fail("bad tap count " + parser.value("fir-keep-taps"));
    }
    if (device.fir.readChunkWords < 1) return fail("bad chunk size " + parser.value("fir-chunk-words"));
    for (const QString& text : parser.values("silent")) {
        const auto command = parseCommand(text);
        if (!command) return fail("bad command " + text);
        faults.silentCommands.insert(*command);
    }
    QList<RequestRule> lostAnswers;
    for (const QString& text : parser.values("lose-answer")) {
        const auto rule = parseRule(text);
        if (!rule) return fail("bad command " + text);
        lostAnswers.append(*rule);
    }
    if (!lostAnswers.isEmpty()) faults.answerLost = answersLostTo(lostAnswers);
    if (parser.isSet("vanish-on")) {
        const auto rule = parseRule(parser.value("vanish-on"));
        if (!rule) return fail("bad command " + parser.value("vanish-on"));
        faults.goneOn = goneOn(*rule);
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
