// The device link logs every frame it sends and nearly every one it receives,
// so the traffic panel must keep up with a full log taking new entries on
// every turn of the event loop. The console as a whole must also keep up with
// a flood of UDP datagrams from many senders (on loopback only).
#include <benchmark/benchmark.h>

#include "WidgetBenchmarks.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "console/ContentView.h"
#include "console/NetworkPanel.h"
#include "console/SeenHostList.h"
#include "console/TrafficListModel.h"
#include "console/TrafficPanel.h"
#include "diagnostics/UDPProbe.h"
#include "link/TrafficLog.h"
#include "support/ConsoleRig.h"
#include "support/ScriptedDialogs.h"

namespace {

void logFrames(TrafficLog& log, int count) {
    static const QByteArray frame =
        QByteArray::fromHex("A5A11A5AFFFFFFFFFFFF06000200000070010000000000001234ABCD");
    for (int i = 0; i < count; ++i) log.log(QStringLiteral("DSP"), TrafficEntry::Direction::sent, frame);
}

// A traffic panel on screen over its own log.
struct PanelOnScreen {
    TrafficLog log;
    kestrel_test::ScriptedDialogs dialogs;
    TrafficPanel panel{log, dialogs};
    PanelOnScreen() {
        panel.resize(700, 700);
        panel.show();
    }
};

// One update of a full log on screen: N new entries (the argument), the
// list's update, layout and painting. Updates come at most once per screen
// refresh, so this is the cost per frame while the link floods the log.
void BM_UpdateFullLog(benchmark::State& state) {
    PanelOnScreen rig;
    logFrames(rig.log, int(TrafficLog::limit));
    for (auto _ : state) {
        logFrames(rig.log, int(state.range(0)));
        rig.panel.rows()->sync();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_UpdateFullLog)->Arg(1)->Arg(50)->Arg(5000)->Unit(benchmark::kMicrosecond);

// 5000 entries arriving one per event-loop turn into an empty log, the whole
// flood per iteration.
void BM_FloodOnePerTurn(benchmark::State& state) {
    PanelOnScreen rig;
    for (auto _ : state) {
        rig.log.clear();
        for (qsizetype i = 0; i < TrafficLog::limit; ++i) {
            logFrames(rig.log, 1);
            QCoreApplication::processEvents();
        }
    }
}
BENCHMARK(BM_FloodOnePerTurn)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole console on its Network tab.
struct ConsoleOnScreen : kestrel_test::ConsoleRig {
    ContentView view{context};
    ConsoleOnScreen() {
        view.resize(1240, 760);
        view.setTab(ContentView::networkTab);
        view.show();
    }
};

// Reads `element` and everything below it as a screen reader's full read
// does; returns the number of elements read.
int readAccessibleTree(QAccessibleInterface* element) {
    if (!element) return 0;
    benchmark::DoNotOptimize(element->text(QAccessible::Name));
    benchmark::DoNotOptimize(element->text(QAccessible::Description));
    benchmark::DoNotOptimize(element->role());
    benchmark::DoNotOptimize(element->state());
    benchmark::DoNotOptimize(element->rect());
    int read = 1;
    const int count = element->childCount();
    for (int i = 0; i < count; ++i) read += readAccessibleTree(element->child(i));
    return read;
}

// One full read of the console's accessibility tree with the log at its
// limit, after the log dropped its oldest entries for new ones (as it does
// while the device link runs): with the argument 0 at once, before the list
// lays out anew, with 1 after. "elements" tells how many elements a read met.
void BM_AccessibleReadOfFullLog(benchmark::State& state) {
    ConsoleOnScreen rig;
    logFrames(rig.log, int(TrafficLog::limit));
    rig.view.trafficPanel()->rows()->sync();
    QCoreApplication::processEvents();
    int elements = 0;
    for (auto _ : state) {
        logFrames(rig.log, 50);
        rig.view.trafficPanel()->rows()->sync();
        if (state.range(0) == 1) QCoreApplication::processEvents();
        elements = readAccessibleTree(QAccessible::queryAccessibleInterface(&rig.view));
    }
    state.counters["elements"] = elements;
}
BENCHMARK(BM_AccessibleReadOfFullLog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Datagrams the kernel dropped because the socket on `port` was full
// (the last column of /proc/net/udp).
qint64 receiveBufferDrops(quint16 port) {
    QFile table(QStringLiteral("/proc/net/udp"));
    if (!table.open(QIODevice::ReadOnly)) return -1;
    const QByteArray local = QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    qint64 drops = 0;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 2 && fields[1].endsWith(":" + local)) drops += fields.last().toLongLong();
    }
    return drops;
}

// Each of `count` senders on its own loopback address sends one datagram to
// 127.0.0.1:`port`, `rate` datagrams a second.
void sendFromDistinctSenders(quint16 port, int count, int rate, int addressBlock) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    destination.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / rate));
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in source{};
        source.sin_family = AF_INET;
        source.sin_addr.s_addr =
            htonl(0x7F000000u | quint32(addressBlock) << 16 | quint32(i / 250) << 8 | quint32(i % 250 + 1));
        ::bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source);
        const quint32 payload = htonl(quint32(i));
        ::sendto(fd, &payload, sizeof payload, 0, reinterpret_cast<const sockaddr*>(&destination),
                 sizeof destination);
        ::close(fd);
    }
}

// A UDP port that nothing holds right now.
quint16 freeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    socklen_t size = sizeof bound;
    ::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size);
    ::close(fd);
    return ntohs(bound.sin_port);
}

// 1000 distinct senders at 400 datagrams a second into the console on
// screen: every datagram is logged and every sender gets its row. The time
// runs from the first datagram until the last sender's row is there; the
// console keeps up when that is barely more than the 2.5 s of sending and
// the kernel dropped nothing ("drops", "received" and "rows" tell). The CPU
// time is what the main thread spent on it.
void BM_UDPSenderFlood(benchmark::State& state) {
    constexpr int senders = 1000, rate = 400;
    int addressBlock = 60;
    for (auto _ : state) {
        ConsoleOnScreen rig;
        const quint16 port = freeUdpPort();
        rig.udp.listen(port);
        QCoreApplication::processEvents();
        const qint64 dropsBefore = receiveBufferDrops(port);
        NetworkPanel& panel = *rig.view.networkPanel();

        QElapsedTimer elapsed;
        elapsed.start();
        std::atomic<bool> sent = false;
        std::thread sender([&, block = addressBlock++] {
            sendFromDistinctSenders(port, senders, rate, block);
            sent = true;
        });
        // Until every sender is shown, or nothing more arrived for a second
        // after the last datagram went out (or half a minute passed).
        QElapsedTimer quiet;
        quiet.start();
        QTimer wake;  // so that the wait below ends even when nothing arrives
        wake.start(20);
        qsizetype heard = 0;
        while (!(heard == senders && panel.seenHostList()->model()->rowCount() == senders)) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (rig.udp.seenHosts().size() != heard) {
                heard = rig.udp.seenHosts().size();
                quiet.start();
            }
            if ((sent && quiet.elapsed() > 1000) || elapsed.elapsed() > 30000) break;
        }
        state.SetIterationTime(double(elapsed.nsecsElapsed()) / 1e9);
        sender.join();
        state.counters["received"] = double(heard);
        state.counters["rows"] = double(panel.seenHostList()->model()->rowCount());
        state.counters["drops"] = double(receiveBufferDrops(port) - dropsBefore);
    }
}
BENCHMARK(BM_UDPSenderFlood)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
