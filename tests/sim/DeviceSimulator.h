#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTcpServer>

#include <functional>
#include <random>

#include "SimDevice.h"
#include "link/DSPFrame.h"

class QTcpSocket;

// One answer frame; the simulator sends it from the device's own address.
struct SimReply {
    quint16 command = 0;
    DSPFrame::Words words;
};

// How the simulator misbehaves. Everything is off by default.
struct SimFaults {
    QSet<quint16> silentCommands;        // never answered
    int delayMs = 0;                     // every answer waits this long
    QHash<quint16, int> commandDelayMs;  // per command, instead of delayMs
    QByteArray garbageBeforeAnswers;     // written before every answer
    bool badChecksums = false;           // answers fail their checksum
    int chunkSize = 0;                   // answers written in pieces of this size (0: whole)
    int closeAfterFrames = -1;           // the connection closes on this received frame
    // Answered after lateMs, as one slow answer on a busy link.
    std::function<bool(const DSPFrame& request)> answerLate;
    // Carried out, but the answer is lost on the way back.
    std::function<bool(const DSPFrame& request)> answerLost;
    // The device goes away on the first frame this accepts, before carrying it out: every
    // connection closes and nothing listens any more.
    std::function<bool(const DSPFrame& request)> goneOn;

    // Random trouble, each a probability per request (for soak tests).
    double dropRate = 0;
    double lateRate = 0;  // answered after lateMs
    int lateMs = 600;
    double garbageRate = 0;
    double disconnectRate = 0;
    quint32 seed = 1;
};

// A stand-in for the processor on a loopback TCP port: it answers the device commands from
// its own state, records every frame it receives, and misbehaves on request. Each command has
// one handler; a test or a later feature adds or replaces one with setHandler.
class DeviceSimulator : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<QList<SimReply>(SimDevice& device, const DSPFrame& request)>;

    static constexpr quint16 devicePort = 8234;

    explicit DeviceSimulator(QObject* parent = nullptr);
    ~DeviceSimulator() override;

    // Listens on host:port. Only loopback hosts are accepted.
    bool listen(const QHostAddress& host, quint16 port = devicePort);
    // Listens on port 8234 of a free random address 127.x.y.z (x not 0), so parallel tests
    // never meet; false when none could be had.
    bool listenOnRandomLoopback(quint16 port = devicePort);
    QString host() const;
    quint16 port() const { return server_.serverPort(); }
    void stop();

    SimDevice& device() { return device_; }
    SimFaults& faults() { return faults_; }
    void setFaults(const SimFaults& faults);

    void setHandler(quint16 command, Handler handler);
    void removeHandler(quint16 command);

    // Records the frame and gives the answer frames its handler makes, with no transport and
    // no faults: for carrying the simulator over another link (the fake USB device).
    QList<DSPFrame> respondTo(const DSPFrame& request);
    // Answer frames written to clients so far.
    int answersWritten() const { return answersWritten_; }

    // Every frame received, oldest first, from every client.
    const QList<DSPFrame>& received() const { return received_; }
    QList<DSPFrame> receivedWithCommand(quint16 command) const;
    // Connections are numbered from 1 in the order they were accepted; frames carried over
    // another link (respondTo) count as connection 0.
    QList<DSPFrame> receivedOn(int connection) const;
    int connectionsAccepted() const { return connectionsAccepted_; }
    void clearReceived() {
        received_.clear();
        receivedOn_.clear();
    }
    int clientCount() const { return int(clients_.size()); }

    // Sends a frame from the device to every client, unasked.
    void sendToAll(quint16 command, const DSPFrame::Words& words);
    void sendRawToAll(const QByteArray& bytes);
    void closeClients();

Q_SIGNALS:
    // After the frame was handled (its answer may still be delayed), with the connection it
    // came on (numbered as in receivedOn).
    void frameReceived(const DSPFrame& frame, int connection);
    void clientConnected(int connection);
    // The connection closed, from either side.
    void clientDisconnected(int connection);

private:
    struct Client;

    void acceptClients();
    void dropClient(QTcpSocket* socket);
    void readClient(QTcpSocket* socket);
    void handleFrame(QTcpSocket* socket, int connection, const DSPFrame& frame);
    void respond(QTcpSocket* socket, const DSPFrame& frame);
    void deliver(QTcpSocket* socket, const QList<SimReply>& replies, int delayMs);
    void writeAnswer(QTcpSocket* socket, const SimReply& reply);
    bool chance(double probability);

    QTcpServer server_;
    SimDevice device_;
    SimFaults faults_;
    QHash<quint16, Handler> handlers_;
    QHash<QTcpSocket*, Client*> clients_;
    QList<DSPFrame> received_;
    QList<int> receivedOn_;  // the connection of each received frame
    int connectionsAccepted_ = 0;
    int framesSeen_ = 0;
    int answersWritten_ = 0;
    std::mt19937 random_;
};

// The handlers of a freshly made simulator, one per command it knows.
QHash<quint16, DeviceSimulator::Handler> standardSimHandlers();
